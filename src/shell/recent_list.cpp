#include "shell/recent_list.h"

namespace {
constexpr int kLastSlot = kRecentSlots - 1;

int indexOf(const TRecentDatabases& recent, const QString& path) {
  for (int i = 0; i < kRecentSlots; ++i)
    if (!path.isEmpty() && recent.slot[i] == path) return i;
  return -1;
}
}  // namespace

int RemoveRecentPath(TRecentDatabases& recent, const QString& path) {
  int n = 0;
  for (QString& s : recent.slot) {
    if (!path.isEmpty() && s == path) {
      s.clear();
      ++n;
    }
  }
  return n;
}

int SlotOfChosenPath(TRecentDatabases& recent, const QString& path) {
  int i = indexOf(recent, path);
  if (i < 0) {
    i = kLastSlot;
    recent.slot[i] = path;
  }
  return i;
}

int SlotOfBrowsedPath(TRecentDatabases& recent, const QString& path) {
  int i = indexOf(recent, path);
  if (i >= 0) return i;
  i = kLastSlot;
  for (int k = 0; k < kRecentSlots; ++k) {
    if (recent.slot[k].isEmpty()) {
      i = k;
      break;
    }
  }
  recent.slot[i] = path;
  return i;
}

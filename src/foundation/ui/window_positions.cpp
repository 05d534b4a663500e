#include "foundation/ui/window_positions.h"

#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QList>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include "foundation/messages.h"
#include "store/inifile.h"

namespace {

const QString kSection = QStringLiteral("forms");
const QString kBalsFit = QStringLiteral("FBALSALWAYSFIT");
const QString kPstgsFit = QStringLiteral("FPSTGSALWAYSFIT");
const char* const kPlaced = "vorbekPlaced";

// Notes when a listed window is first shown, so that a window the user never saw
// does not overwrite its stored place with the toolkit's defaults.
class ShownWatcher : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) watched->setProperty(kPlaced, true);
    return false;
  }
};

struct Entry {
  QPointer<QWidget> window;
  QString name;
};

QList<Entry>& Registry() {
  static QList<Entry> list;
  return list;
}

QString g_loadedFrom;  // the settings file of the last load
bool g_balsFit = true;
bool g_pstgsFit = true;

ShownWatcher* Watcher() {
  static ShownWatcher watcher;
  return &watcher;
}

QRect ScreenArea() {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->virtualGeometry() : QRect(0, 0, 1024, 768);
}

bool Sizeable(const QWidget* w) {
  return w->minimumSize() != w->maximumSize() &&
         !w->windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint);
}

bool ReadPosition(const IniFile& ini, const QString& name, WindowPosition& p) {
  p.top = ini.readInteger(kSection, name + QStringLiteral("-T"), -1);
  p.left = ini.readInteger(kSection, name + QStringLiteral("-L"), -1);
  p.height = ini.readInteger(kSection, name + QStringLiteral("-H"), -1);
  p.width = ini.readInteger(kSection, name + QStringLiteral("-W"), -1);
  p.maximized = ini.readBool(kSection, name + QStringLiteral("-Maximized"), false);
  return ini.hasKey(kSection, name + QStringLiteral("-T")) ||
         ini.hasKey(kSection, name + QStringLiteral("-Maximized"));
}

void WritePosition(IniFile& ini, const QString& name, const WindowPosition& p) {
  ini.writeInteger(kSection, name + QStringLiteral("-T"), p.top);
  ini.writeInteger(kSection, name + QStringLiteral("-L"), p.left);
  ini.writeInteger(kSection, name + QStringLiteral("-H"), p.height);
  ini.writeInteger(kSection, name + QStringLiteral("-W"), p.width);
  ini.writeBool(kSection, name + QStringLiteral("-Maximized"), p.maximized);
}

}  // namespace

void ApplyWindowPosition(QWidget* window, const WindowPosition& pos, const QRect& screen) {
  QRect g = window->geometry();
  bool placed = false;
  if (pos.left >= 0) {
    g.moveLeft(pos.left > screen.width() ? 0 : pos.left);
    placed = true;
  }
  if (pos.top >= 0) {
    g.moveTop(pos.top > screen.height() ? 0 : pos.top);
    placed = true;
  }
  if (Sizeable(window)) {
    // A zero size comes only from a damaged file; the window keeps its own then.
    if (pos.width > 0) {
      g.setWidth(pos.width);
      placed = true;
    }
    if (pos.height > 0) {
      g.setHeight(pos.height);
      placed = true;
    }
  }
  if (placed) {
    if (window->isMaximized()) window->setWindowState(window->windowState() & ~Qt::WindowMaximized);
    window->setGeometry(g);
    window->setProperty(kPlaced, true);
  }
  if (pos.maximized)
    window->setWindowState(window->windowState() | Qt::WindowMaximized);
  else
    window->setWindowState(window->windowState() & ~Qt::WindowMaximized);
}

WindowPosition CurrentWindowPosition(const QWidget* window) {
  WindowPosition p;
  p.maximized = window->isMaximized();
  // The normal size is what comes back when the window is restored.
  QRect g = p.maximized ? window->normalGeometry() : window->geometry();
  if (!g.isValid()) g = window->geometry();
  p.top = g.top();
  p.left = g.left();
  p.height = g.height();
  p.width = g.width();
  return p;
}

void RegisterWindowPosition(QWidget* window, const QString& name) {
  if (!window || name.isEmpty()) return;
  QList<Entry>& list = Registry();
  for (Entry& e : list) {
    if (e.window == window) {
      e.name = name;
      return;
    }
  }
  list.append(Entry{window, name});
  window->installEventFilter(Watcher());
  // Created after the start-up load: gets its stored place now.
  if (!g_loadedFrom.isEmpty()) {
    const IniFile ini(g_loadedFrom);
    WindowPosition p;
    if (ReadPosition(ini, name, p)) ApplyWindowPosition(window, p, ScreenArea());
  }
}

bool LoadWindowPositions(const QString& settingsFile) {
  const IniFile ini(settingsFile);
  if (!ini.existed()) return false;
  g_loadedFrom = settingsFile;
  const QRect screen = ScreenArea();
  for (const Entry& e : Registry()) {
    if (!e.window) continue;
    WindowPosition p;
    ReadPosition(ini, e.name, p);
    ApplyWindowPosition(e.window, p, screen);
  }
  g_balsFit = ini.readBool(kSection, kBalsFit, true);
  g_pstgsFit = ini.readBool(kSection, kPstgsFit, true);
  return true;
}

bool SaveWindowPositions(const QString& settingsFile) {
  FlashStatus(QStringLiteral("Saving settings ( see ZADEZEVU.INI )"));
  // Lines of windows not opened in this run stay in the file as they were.
  IniFile ini(settingsFile);
  for (const Entry& e : Registry()) {
    if (e.window && e.window->property(kPlaced).toBool())
      WritePosition(ini, e.name, CurrentWindowPosition(e.window));
  }
  ini.writeBool(kSection, kBalsFit, g_balsFit);
  ini.writeBool(kSection, kPstgsFit, g_pstgsFit);
  const bool ok = ini.save();
  FlashClose();
  return ok;
}

bool BalancesAlwaysFit() { return g_balsFit; }
void SetBalancesAlwaysFit(bool on) { g_balsFit = on; }
bool PostingsAlwaysFit() { return g_pstgsFit; }
void SetPostingsAlwaysFit(bool on) { g_pstgsFit = on; }

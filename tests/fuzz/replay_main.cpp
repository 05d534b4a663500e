// Runs a fuzz target's entry point over saved inputs (files, or every file of the
// folders given), so that inputs that once broke a reader are checked by every
// ordinary build without libFuzzer.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  int inputs = 0;
  for (int i = 1; i < argc; ++i) {
    const QString arg = QFile::decodeName(argv[i]);
    QStringList files;
    if (QFileInfo(arg).isDir()) {
      for (const QString& name : QDir(arg).entryList(QDir::Files, QDir::Name))
        files << QDir(arg).filePath(name);
    } else {
      files << arg;
    }
    for (const QString& file : files) {
      QFile f(file);
      if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(file));
        return 1;
      }
      const QByteArray bytes = f.readAll();
      std::printf("%s\n", qPrintable(file));
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()),
                             size_t(bytes.size()));
      ++inputs;
    }
  }
  if (inputs == 0) {
    std::fprintf(stderr, "no inputs\n");
    return 1;
  }
  return 0;
}

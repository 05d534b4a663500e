#include "support/cli_run.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

CliRun RunCli(const QStringList& args) {
  CliRun r;
  QProcess p;
  p.start(qEnvironmentVariable("VORBEK_CLI"), args);
  if (!p.waitForFinished(120000)) return r;
  r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
  r.out = QString::fromUtf8(p.readAllStandardOutput());
  r.err = QString::fromUtf8(p.readAllStandardError());
  return r;
}

CliRun RunCliOk(const QStringList& args) {
  const CliRun r = RunCli(args);
  [&] { QVERIFY2(r.code == 0, qPrintable(args.join(' ') + "\n" + r.err)); }();
  return r;
}

QList<QMap<QString, QString>> CsvRecords(const QString& csv) {
  QList<QStringList> lines;
  QStringList fields;
  QString field;
  bool quoted = false, any = false;
  for (qsizetype i = 0; i < csv.size(); ++i) {
    const QChar c = csv[i];
    if (quoted) {
      if (c == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = any = true;
    } else if (c == ',') {
      fields << field;
      field.clear();
    } else if (c == '\n') {
      fields << field;
      lines << fields;
      fields.clear();
      field.clear();
    } else {
      field += c;
    }
  }
  if (!field.isEmpty() || !fields.isEmpty()) lines << (fields << field);
  QList<QMap<QString, QString>> out;
  for (qsizetype r = 1; r < lines.size(); ++r) {
    QMap<QString, QString> rec;
    for (qsizetype c = 0; c < lines[0].size(); ++c) rec[lines[0][c]] = lines[r].value(c);
    out << rec;
  }
  return out;
}

QList<QMap<QString, QString>> JsonRecords(const QString& json) {
  QList<QMap<QString, QString>> out;
  const QJsonDocument doc = QJsonDocument::fromJson(json.toUtf8());
  for (const QJsonValue& v : doc.array()) {
    QMap<QString, QString> rec;
    const QJsonObject o = v.toObject();
    for (auto it = o.begin(); it != o.end(); ++it) {
      const QJsonValue f = it.value();
      rec[it.key()] = f.isString()   ? f.toString()
                      : f.isDouble() ? QString::number(qint64(f.toDouble()))
                                     : QString();
    }
    out << rec;
  }
  return out;
}

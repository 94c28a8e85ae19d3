#include "app/scan_table.h"

#include <QFile>

#include "platform/text_encoding.h"

namespace halvric {

const UsageToScanTable& ProgramScanTable() {
  static const UsageToScanTable table = [] {
    UsageToScanTable t;
    QFile f(QStringLiteral(":/usage_to_scan.txt"));
    if (f.open(QIODevice::ReadOnly)) t = UsageToScanTable::Parse(DecodeTextFile(f.readAll().toStdString()));
    return t;
  }();
  return table;
}

}  // namespace halvric

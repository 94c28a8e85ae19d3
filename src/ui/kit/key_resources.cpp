#include "ui/kit/key_resources.h"

#include <QFile>

#include "config/key_labels.h"
#include "config/usage_to_scan_table.h"
#include "platform/folders.h"
#include "platform/profile_file.h"
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

ScreenKeyboard LoadProgramScreenKeyboard(const TextTables& texts, const KeyLabels& keys) {
  const std::filesystem::path folder = ProgramFolder(FolderEnvironment::FromProcess());
  const ProfileFile ini((folder / ScreenKeyboard::kFileName).string());
  return LoadScreenKeyboard(ini, texts, keys.scan_table(), keys.names());
}

}  // namespace halvric

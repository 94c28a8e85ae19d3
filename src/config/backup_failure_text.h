#pragma once
// Why a backup or a restore failed, said in the language of the text tables: the window and
// halvricctl show the same sentence.

#include <string>

#include "config/backup_restore.h"
#include "config/text_tables.h"

namespace halvric {

// The sentence for a failed `result` of a backup to, or a restore from, `file` (the name the
// user gave): "No device !!", "invalid format !!", "FILE: cannot be written (reason)", ... The
// system's reason stays as the system words it.
std::string BackupFailureText(const TextTables& texts, const BackupResult& result, const std::string& file,
                              bool restoring);

}  // namespace halvric

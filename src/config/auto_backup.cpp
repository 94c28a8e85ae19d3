#include "config/auto_backup.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <regex>
#include <system_error>

#include "config/backup_file.h"
#include "config/memory_image.h"
#include "platform/atomic_file.h"
#include "platform/text.h"

namespace halvric {
namespace {

namespace fs = std::filesystem;

const std::regex& NamePattern() {
  static const std::regex pattern(
      R"(^(\d{4}-\d{2}-\d{2})_(\d{2})-(\d{2})-(\d{2})-(\d{3})_([a-z0-9-]+)\.bf$)");
  return pattern;
}

std::string CleanReason(std::string_view reason) {
  std::string out;
  for (char c : reason) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u) != 0 && u < 0x80) {
      out += AsciiLower(c);
    } else {
      out += '-';
    }
  }
  return out.empty() ? "backup" : out;
}

std::string SecondStamp(std::chrono::system_clock::time_point now) {
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d_%H-%M-%S", &tm);
  return buf;
}

// Every file name of the folder that is an automatic backup, oldest first.
std::vector<fs::path> BackupFiles(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (std::regex_match(name, NamePattern()) && it->is_regular_file(ec)) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end(),
            [](const fs::path& a, const fs::path& b) { return a.filename().string() < b.filename().string(); });
  return files;
}

// The first free name of this second, after every backup already made in it.
fs::path NewName(const fs::path& folder, const std::string& stamp, const std::string& reason) {
  int next = 0;
  for (const auto& f : BackupFiles(folder)) {
    const std::string name = f.filename().string();
    if (name.compare(0, stamp.size(), stamp) == 0) next = std::max(next, std::stoi(name.substr(stamp.size() + 1, 3)) + 1);
  }
  char seq[16];
  std::snprintf(seq, sizeof seq, "%03d", std::min(next, 999));
  return folder / (stamp + "-" + seq + "_" + reason + ".bf");
}

}  // namespace

fs::path AutoBackupFolder(const fs::path& data_folder) { return data_folder / kAutoBackupFolderName; }

AutoBackupResult SaveAutoBackup(const Mouse& m, const fs::path& data_folder,
                                std::string_view reason, const ProgressFn& progress,
                                std::chrono::system_clock::time_point now) {
  const uint32_t size = MemoryImageSize(m);
  const auto image = ReadMemoryImage(m, size, progress);
  if (!image) {
    AutoBackupResult result;
    result.error = "the mouse's memory could not be read";
    return result;
  }
  return WriteAutoBackup(*image, data_folder, reason, now);
}

AutoBackupResult WriteAutoBackup(std::span<const uint8_t> image, const fs::path& data_folder, std::string_view reason,
                                 std::chrono::system_clock::time_point now) {
  AutoBackupResult result;
  const fs::path folder = AutoBackupFolder(data_folder);
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) {
    result.error = "cannot create " + folder.string() + ": " + ec.message();
    return result;
  }
  const fs::path file = NewName(folder, SecondStamp(now), CleanReason(reason));
  if (!WriteBackupFile(file.string(), image, &result.error)) return result;
  PruneAutoBackups(data_folder);
  result.ok = true;
  result.file = file;
  return result;
}

std::vector<AutoBackup> ListAutoBackups(const fs::path& data_folder) {
  std::vector<AutoBackup> list;
  const auto files = BackupFiles(AutoBackupFolder(data_folder));
  for (auto it = files.rbegin(); it != files.rend(); ++it) {
    const std::string name = it->filename().string();
    std::smatch m;
    std::regex_match(name, m, NamePattern());
    AutoBackup b;
    b.file = *it;
    b.when = m[1].str() + " " + m[2].str() + ":" + m[3].str() + ":" + m[4].str();
    b.reason = m[6].str();
    std::error_code ec;
    b.size = fs::file_size(*it, ec);
    list.push_back(std::move(b));
  }
  return list;
}

void PruneAutoBackups(const fs::path& data_folder, int keep) {
  // Each automatic backup has a name of its own, so no later write of the same name removes what
  // a killed one left: the folder is the program's alone, and its leftovers go here.
  RemoveStaleTemporaries(AutoBackupFolder(data_folder).string());
  const auto files = BackupFiles(AutoBackupFolder(data_folder));
  const size_t kept = static_cast<size_t>(std::max(keep, 0));
  if (files.size() <= kept) return;
  std::error_code ec;
  for (size_t i = 0; i + kept < files.size(); ++i) fs::remove(files[i], ec);
}

}  // namespace halvric

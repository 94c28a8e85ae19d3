#pragma once
// The service window "Upgrade firmware": loads an Intel HEX file, shows its checksum, and drives
// the upgrade commands of a level-11 mouse: programming mode in and out, the firmware write
// (with an automatic backup of the mouse's settings first, after a confirmation), pairing, the
// radio channel and a test write. The write runs on the firmware writer's thread; while it runs
// the session's input readers pause so that the writer alone reads the acknowledgements, and the
// window refuses to close. Other commands run on the session's worker.

#include <QDialog>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "device/firmware_writer.h"
#include "device/intel_hex.h"
#include "device/mouse.h"

class QLineEdit;
class QPushButton;
class QLabel;

namespace halvric {

class AppFonts;
class CStrDlg;
class DeviceJobs;
class TextTables;

class UpgradeDlg : public QDialog {
  Q_OBJECT

 public:
  UpgradeDlg(DeviceJobs& session, const AppFonts& fonts, const TextTables& texts,
             std::filesystem::path data_folder, QWidget* parent = nullptr);
  ~UpgradeDlg() override;

  // Shows the window for the mouse at `path`.
  void ShowFor(const std::string& path);
  // Aborts a running write and waits for it (the program is ending).
  void Shutdown();
  // A vendor input report from the program's report intake: an acknowledgement outside a write
  // is shown on the acknowledgement line (during a write the writer reads them itself).
  void DeliverReport(std::span<const uint8_t> report);

  // Loads a HEX file as the "HEX" button does after its file dialog.
  bool LoadHex(const QString& file);
  bool Writing() const { return writer_->Writing(); }
  UpgradeOutcome Outcome() const { return writer_->Outcome(); }
  const FirmwareImage& image() const { return image_; }

  // For tests: replace the file dialog and the confirmation before writing.
  std::function<QString()> choose_file;
  std::function<bool()> confirm_write;
  // For tests: the writer's time limits.
  UpgradeTimings timings;

  // The controls, by their role.
  QLineEdit* FilePath() const { return file_; }
  QLineEdit* Checksum() const { return checksum_; }
  QLineEdit* ProgressLine() const { return progress_; }
  QLineEdit* AckLine() const { return ack_; }
  QLineEdit* ByteValue() const { return byte_; }
  QPushButton* HexButton() const { return hex_btn_; }
  QPushButton* EnterIspButton() const { return enter_btn_; }
  QPushButton* WriteButton() const { return write_btn_; }
  QPushButton* ExitIspButton() const { return exit_btn_; }
  QPushButton* OneTimeButton() const { return once_btn_; }
  QPushButton* PairingButton() const { return pair_btn_; }
  QPushButton* SendByteButton() const { return send_btn_; }
  QPushButton* QueryButton() const { return query_btn_; }
  QPushButton* ToggleButton() const { return toggle_btn_; }
  int AckCount() const { return ack_count_; }
  const QString& Message() const { return message_; }

 signals:
  void writeFinished(int outcome, QString message);
  void commandDone();

 protected:
  void closeEvent(QCloseEvent*) override;
  void reject() override;

 private:
  void OnHex();
  void OnWrite();
  void RunCommand(std::function<void(const Mouse&)> job);
  void ShowAck(int count, const UpgradeAck& ack);
  void ShowMessage(const QString& text);
  void WriteEnded();

  DeviceJobs& session_;
  const AppFonts& fonts_;
  const TextTables& texts_;
  const std::filesystem::path data_folder_;
  std::string path_;
  FirmwareImage image_;
  std::unique_ptr<FirmwareWriter> writer_;
  CStrDlg* prompt_ = nullptr;
  bool toggle_bit_ = false;
  int ack_count_ = 0;
  QString message_;

  QLineEdit* file_ = nullptr;      // 1019
  QLineEdit* checksum_ = nullptr;  // 1020
  QLineEdit* progress_ = nullptr;  // 1016
  QLineEdit* ack_ = nullptr;       // 1013
  QLineEdit* byte_ = nullptr;      // 1023
  QLabel* status_ = nullptr;
  QPushButton* hex_btn_ = nullptr;     // 1018
  QPushButton* enter_btn_ = nullptr;   // 1014
  QPushButton* write_btn_ = nullptr;   // 1015
  QPushButton* exit_btn_ = nullptr;    // 1012
  QPushButton* once_btn_ = nullptr;    // 1017
  QPushButton* pair_btn_ = nullptr;    // 1021
  QPushButton* send_btn_ = nullptr;    // 1022
  QPushButton* query_btn_ = nullptr;   // 1024
  QPushButton* toggle_btn_ = nullptr;  // 1025
  QPushButton* close_btn_ = nullptr;
};

}  // namespace halvric

#include "ui/upgrade/upgrade_dlg.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <array>
#include <cstdio>

#include "config/auto_backup.h"
#include "config/hex_refusal_text.h"
#include "config/text_tables.h"
#include "device/device_commands.h"
#include "device/upgrade_pieces.h"
#include "platform/folders.h"
#include "services/device_jobs.h"
#include "ui/kit/app_fonts.h"
#include "ui/kit/str_dlg.h"
#include "ui/kit/text_ids.h"
#include "ui/kit/ui_palette.h"
#include "ui/kit/ui_text.h"
#include "ui/upgrade/upgrade_texts.h"

namespace halvric {
namespace {

constexpr int kWidth = 560;
constexpr int kHeight = 330;
constexpr uint8_t kPairingValue = 200;

QString Hex8(uint32_t v) { return QString::asprintf("%08X", static_cast<unsigned>(v)); }

QString Style() {
  return QStringLiteral(
             "QDialog { background: %1; }"
             "QLabel { color: %2; }"
             "QLineEdit { background: %3; color: %4; border: 1px solid %5; border-radius: 4px; padding: 2px 6px; }"
             "QPushButton { background: %3; color: %4; border: 1px solid %5; border-radius: 6px; padding: 4px; }"
             "QPushButton:hover { background: %6; }"
             "QPushButton:disabled { color: %2; }")
      .arg(ui::kBackground.name(), ui::kTextDim.name(), ui::kPanel.name(), ui::kText.name(), ui::kLine.name(),
           ui::kPanelHot.name());
}

}  // namespace

UpgradeDlg::UpgradeDlg(DeviceJobs& session, const AppFonts& fonts, const TextTables& texts,
                       std::filesystem::path data_folder, QWidget* parent)
    : QDialog(parent, Qt::Dialog),
      session_(session),
      fonts_(fonts),
      texts_(texts),
      data_folder_(std::move(data_folder)),
      writer_(std::make_unique<FirmwareWriter>(session.Device())) {
  setWindowTitle(UiText(texts_, ui_text::kUpgradeTitle));
  setFixedSize(kWidth, kHeight);
  setStyleSheet(Style());
  setFont(fonts_[kFont14]);
  prompt_ = new CStrDlg(fonts_, texts_, this);

  auto field = [this](QRect r, bool read_only) {
    auto* e = new QLineEdit(this);
    e->setGeometry(r);
    e->setReadOnly(read_only);
    return e;
  };
  auto button = [this](const QString& text, QRect r) {
    auto* b = new QPushButton(text, this);
    b->setGeometry(r);
    b->setAutoDefault(false);
    return b;
  };
  auto label = [this](const QString& text, QRect r) {
    auto* l = new QLabel(text, this);
    l->setGeometry(r);
    return l;
  };

  hex_btn_ = button(UiText(texts_, ui_text::kUpgradeHex), {20, 20, 90, 30});
  file_ = field({120, 20, 420, 30}, true);
  label(UiText(texts_, ui_text::kUpgradeChecksum), {20, 60, 90, 30});
  checksum_ = field({120, 60, 140, 30}, true);
  checksum_->setFont(fonts_[kFontMono11]);
  enter_btn_ = button(UiText(texts_, ui_text::kUpgradeEnterIsp), {20, 104, 96, 32});
  write_btn_ = button(UiText(texts_, ui_text::kUpgradeWrite), {124, 104, 96, 32});
  exit_btn_ = button(UiText(texts_, ui_text::kUpgradeExitIsp), {228, 104, 96, 32});
  once_btn_ = button(UiText(texts_, ui_text::kUpgradeOneTime), {332, 104, 96, 32});
  pair_btn_ = button(UiText(texts_, ui_text::kUpgradePairing), {436, 104, 104, 32});
  progress_ = field({20, 148, 520, 28}, true);
  ack_ = field({20, 184, 520, 28}, true);
  progress_->setPlaceholderText(UiText(texts_, ui_text::kUpgradeProgress));
  ack_->setPlaceholderText(UiText(texts_, ui_text::kUpgradeAck));
  file_->setPlaceholderText(UiText(texts_, ui_text::kUpgradeFile));
  progress_->setFont(fonts_[kFontMono11]);
  ack_->setFont(fonts_[kFontMono11]);
  byte_ = field({20, 226, 80, 30}, false);
  byte_->setText(QStringLiteral("0"));
  send_btn_ = button(UiText(texts_, ui_text::kUpgradeSend), {108, 226, 80, 30});
  query_btn_ = button(UiText(texts_, ui_text::kUpgradeQuery), {196, 226, 80, 30});
  toggle_btn_ = button(UiText(texts_, ui_text::kUpgradeToggle), {284, 226, 80, 30});
  status_ = label({}, {20, 278, 400, 30});
  status_->setStyleSheet(QStringLiteral("color: %1;").arg(ui::kWarn.name()));
  close_btn_ = button(UiText(texts_, ui_text::kUpgradeClose), {440, 278, 100, 32});

  connect(hex_btn_, &QPushButton::clicked, this, &UpgradeDlg::OnHex);
  connect(write_btn_, &QPushButton::clicked, this, &UpgradeDlg::OnWrite);
  connect(enter_btn_, &QPushButton::clicked, this, [this] {
    RunCommand([](const Mouse& m) {
      SetChannel(m, 0);
      EnterIsp(m);
    });
  });
  connect(exit_btn_, &QPushButton::clicked, this,
          [this] { RunCommand([](const Mouse& m) { ExitIsp(m); }); });
  connect(once_btn_, &QPushButton::clicked, this, [this] {
    RunCommand([](const Mouse& m) {
      static constexpr std::array<uint8_t, 11> kTestBytes = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
      IspWriteSmall(m, 0, kTestBytes);
    });
  });
  connect(pair_btn_, &QPushButton::clicked, this,
          [this] { RunCommand([](const Mouse& m) { Pair(m, kPairingValue); }); });
  connect(send_btn_, &QPushButton::clicked, this, [this] {
    // The typed value as a signed number; its low byte is sent.
    const auto value = static_cast<uint8_t>(byte_->text().trimmed().toInt() & 0xFF);
    RunCommand([value](const Mouse& m) { SetChannel(m, value); });
  });
  connect(query_btn_, &QPushButton::clicked, this, [this] {
    auto answer = std::make_shared<ChannelInfo>();
    const std::string path = path_;
    QPointer<UpgradeDlg> self(this);
    session_.Post([answer, path](DeviceLayer& dev, WorkingCopy&) { *answer = GetChannel(MouseAt(dev, path)); },
                  [self, answer] {
                    if (!self) return;
                    if (answer->ok) self->byte_->setText(QString::number(answer->channel));
                    emit self->commandDone();
                  });
  });
  connect(toggle_btn_, &QPushButton::clicked, this, [this] {
    toggle_bit_ = !toggle_bit_;
    const uint8_t bit = toggle_bit_ ? 1 : 0;
    RunCommand([bit](const Mouse& m) { SetPowerSaving(m, bit); });
  });
  connect(close_btn_, &QPushButton::clicked, this, &UpgradeDlg::reject);
}

UpgradeDlg::~UpgradeDlg() { Shutdown(); }

void UpgradeDlg::Shutdown() {
  if (!writer_) return;
  writer_->Abort();
  writer_->Wait();
}

void UpgradeDlg::ShowFor(const std::string& path) {
  if (!Writing()) path_ = path;
  show();
  raise();
  activateWindow();
}

void UpgradeDlg::RunCommand(std::function<void(const Mouse&)> job) {
  if (Writing()) return;
  const std::string path = path_;
  QPointer<UpgradeDlg> self(this);
  session_.Post([job = std::move(job), path](DeviceLayer& dev, WorkingCopy&) { job(MouseAt(dev, path)); },
                [self] {
                  if (self) emit self->commandDone();
                });
}

void UpgradeDlg::OnHex() {
  hex_btn_->setEnabled(false);
  const QString file = choose_file ? choose_file()
                                   : QFileDialog::getOpenFileName(this, UiText(texts_, ui_text::kUpgradeHex), QString(),
                                                                  UiText(texts_, ui_text::kUpgradeHexFilter));
  hex_btn_->setEnabled(true);
  if (!file.isEmpty()) LoadHex(file);
}

bool UpgradeDlg::LoadHex(const QString& file) {
  if (Writing()) return false;
  file_->setText(file);
  auto loaded = LoadIntelHexFile(file.toStdString());
  if (!loaded) {
    // A damaged or unreadable file leaves the image empty: nothing of it can be written.
    image_ = FirmwareImage{};
    checksum_->setText(Hex8(0));
    ShowMessage(QString::fromStdString(HexRefusalText(texts_, loaded.fault(), file.toStdString())));
    return false;
  }
  image_ = std::move(loaded).value();
  checksum_->setText(Hex8(FirmwareChecksum(image_)));
  ShowMessage({});
  return true;
}

void UpgradeDlg::OnWrite() {
  if (Writing()) {
    writer_->Abort();  // stops after the current piece
    return;
  }
  if (path_.empty()) {
    ShowMessage(QString::fromStdString(texts_.Get(TextFamily::msg_str, text_id::kMsgNoDevice)));
    return;
  }
  // Without a loaded image the writer would refuse; say so before asking anything.
  if (PlanUpgradePieces(image_.end).empty()) {
    ShowMessage(UiText(texts_, ui_text::kUpgradeNothingToWrite));
    return;
  }
  bool go = false;
  if (confirm_write) {
    go = confirm_write();
  } else {
    prompt_->mode = CStrDlg::kConfirm;
    prompt_->title = windowTitle();
    prompt_->message = UiText(texts_, ui_text::kUpgradeConfirm);
    go = prompt_->exec() == QDialog::Accepted;
  }
  if (!go) return;

  UpgradeWriteOptions o;
  o.timings = timings;
  DeviceLayer* dev = &session_.Device();
  const std::string path = path_;
  const std::filesystem::path folder = data_folder_;
  o.auto_backup = [dev, path, folder] {
    if (!EnsureDataFolder(folder)) return false;
    return SaveAutoBackup(MouseAt(*dev, path), folder, "firmware").ok;
  };
  QPointer<UpgradeDlg> self(this);
  const TextTables* texts = &texts_;
  o.on_progress = [self, texts](const UpgradeProgress& p) {
    const QString line = UpgradeProgressText(*texts, p);
    QMetaObject::invokeMethod(self, [self, line] { if (self) self->progress_->setText(line); }, Qt::QueuedConnection);
  };
  o.on_ack = [self](int count, const UpgradeAck& ack) {
    QMetaObject::invokeMethod(self, [self, count, ack] { if (self) self->ShowAck(count, ack); }, Qt::QueuedConnection);
  };
  o.on_message = [self, texts](const std::string& m) {
    const QString text = UpgradeMessageText(*texts, m);
    QMetaObject::invokeMethod(self, [self, text] {
      if (!self) return;
      self->progress_->setText(text);
      self->ShowMessage(text);
      // The final message is the writer's last act: its thread ends right after it.
      self->WriteEnded();
    }, Qt::QueuedConnection);
  };

  // The writer reads the acknowledgements itself; the program's readers step aside meanwhile.
  session_.PauseReaders();
  std::string error;
  if (!writer_->Start(path_, image_, std::move(o), &error)) {
    session_.ResumeReaders();
    // The mouse's input interface is gone: the same words as everywhere a mouse is missing.
    ShowMessage(error == "No device !!" ? QString::fromStdString(texts_.Get(TextFamily::msg_str, text_id::kMsgNoDevice))
                                        : QString::fromStdString(error));
    return;
  }
  write_btn_->setText(UiText(texts_, ui_text::kUpgradeAbort));
  for (QPushButton* b : {hex_btn_, enter_btn_, exit_btn_, once_btn_, pair_btn_, send_btn_, query_btn_, toggle_btn_,
                         close_btn_}) {
    b->setEnabled(false);
  }
}

void UpgradeDlg::WriteEnded() {
  writer_->Wait();
  if (write_btn_->text() != UiText(texts_, ui_text::kUpgradeAbort)) return;  // already handled (shutdown)
  session_.ResumeReaders();
  write_btn_->setText(UiText(texts_, ui_text::kUpgradeWrite));
  for (QPushButton* b : {hex_btn_, enter_btn_, exit_btn_, once_btn_, pair_btn_, send_btn_, query_btn_, toggle_btn_,
                         close_btn_}) {
    b->setEnabled(true);
  }
  emit writeFinished(static_cast<int>(writer_->Outcome()), message_);
}

void UpgradeDlg::DeliverReport(std::span<const uint8_t> report) {
  if (Writing()) return;
  int count = 0;
  if (const auto ack = writer_->Acks().Deliver(report, &count)) ShowAck(count, *ack);
}

void UpgradeDlg::ShowAck(int count, const UpgradeAck& ack) {
  ack_count_ = std::max(ack_count_, count);
  ack_->setText(UpgradeAckText(texts_, count, ack));
}

void UpgradeDlg::ShowMessage(const QString& text) {
  message_ = text;
  status_->setText(text);
}

void UpgradeDlg::closeEvent(QCloseEvent* e) {
  if (Writing()) {
    e->ignore();
    ShowMessage(UiText(texts_, ui_text::kUpgradeBusy));
    return;
  }
  QDialog::closeEvent(e);
}

void UpgradeDlg::reject() {
  if (Writing()) {
    ShowMessage(UiText(texts_, ui_text::kUpgradeBusy));
    return;
  }
  QDialog::reject();
}

}  // namespace halvric

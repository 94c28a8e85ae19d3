#include "ui/main/main_other_page.h"

#include <QDate>
#include <QFileDialog>
#include <QMenu>
#include <QPainter>

#include "config/auto_backup.h"
#include "config/backup_failure_text.h"
#include "config/backup_restore.h"
#include "config/language_choice.h"
#include "config/program_settings.h"
#include "config/reset_defaults.h"
#include "config/text_tables.h"
#include "device/model_layout.h"
#include "platform/folders.h"
#include "platform/profile_file.h"
#include "services/main_window_model.h"
#include "ui/kit/app_fonts.h"
#include "ui/kit/str_dlg.h"
#include "ui/kit/text_ids.h"
#include "ui/kit/ui_palette.h"
#include "ui/kit/ui_text.h"

namespace halvric {

QString OtherPage::InformationText() const {
  const std::string fmt = "%s: %s\n%s: %s\n%s: %d\n%s\n%s";
  const std::string model = ModelName(w_.info_);
  const std::string& model_word = w_.texts_.Get(TextFamily::msg_str, text_id::kMsgModel);
  const std::string& version = w_.texts_.Get(TextFamily::version_str);
  const std::string& firmware = w_.texts_.Get(TextFamily::firmware_str);
  return QString::asprintf(fmt.c_str(), model_word.c_str(), model.c_str(), version.c_str(), "1.0", firmware.c_str(),
                           w_.model_->wc().generation_number, "", w_.texts_.Get(TextFamily::msg_str, 57).c_str());
}

void OtherPage::Paint(QPainter& p) {
  CHalvricDlg::Heading(p, w_.fonts_[kFont14Bold], 236, 66, w_.T(static_cast<int>(TextFamily::msg_str), text_id::kMsgGeneralOptions));
  CHalvricDlg::Heading(p, w_.fonts_[kFont14Bold], 516, 66, w_.T(static_cast<int>(TextFamily::msg_str), text_id::kMsgDriverSettings));
  CHalvricDlg::Heading(p, w_.fonts_[kFont14Bold], 770, 66, w_.T(static_cast<int>(TextFamily::msg_str), text_id::kMsgInformation));
  for (int i : std::initializer_list<int>{CHalvricDlg::kItemAngleSnapping, CHalvricDlg::kItemOsd, CHalvricDlg::kItemAcceleration, CHalvricDlg::kItemBackup, CHalvricDlg::kItemRestore, CHalvricDlg::kItemReset, w_.item_language_}) w_.PaintItem(p, i);
  if (w_.light_item_ >= 0 && !w_.items_[static_cast<size_t>(w_.light_item_)].rect.isEmpty()) w_.PaintItem(p, w_.light_item_);
  if (!w_.host_input_notice_.isEmpty()) {
    // Under the general options: what of tilt-scroll and touch does not run on this desktop.
    p.setFont(w_.fonts_[kFont12]);
    p.setPen(ui::kTextDim);
    p.drawText(QRect(236, 240, 260, 150), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, w_.host_input_notice_);
  }
  // Information block; the firmware details stay behind the PIN when one is set.
  QRect box(770, 106, 234, 210);
  p.setPen(QPen(ui::kLine, 1));
  p.setBrush(ui::kPanel);
  p.drawRoundedRect(QRectF(box), 10, 10);
  p.setFont(w_.fonts_[kFont14]);
  p.setPen(ui::kText);
  QString info = InformationText();
  if (!w_.InformationUnlocked()) {
    // Only the model line is public.
    info = info.section(QLatin1Char('\n'), 0, 1);
  }
  p.drawText(box.adjusted(14, 12, -14, -12), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, info);
  if (!w_.InformationUnlocked()) {
    ui::DrawButton(p, w_.PinRect(), w_.T(static_cast<int>(TextFamily::msg_str), text_id::kMsgPinNumber), false, false,
                   w_.fonts_[kFont14]);
  }
}

void OtherPage::EnterPin() {
  w_.prompt_->mode = CStrDlg::kNumber;
  w_.prompt_->title = w_.T(static_cast<int>(TextFamily::msg_str), text_id::kMsgInformation);
  w_.prompt_->message = w_.T(static_cast<int>(TextFamily::msg_str), text_id::kMsgPinNumber);
  w_.prompt_->max_value = 999;
  w_.prompt_->max_length = 3;
  w_.prompt_->text.clear();
  if (w_.prompt_->exec() != QDialog::Accepted) return;
  const int typed = w_.prompt_->text.toInt();
  if (w_.pin_ && typed == *w_.pin_) w_.entered_pin_ = typed;
  else w_.SetHint(w_.T(static_cast<int>(TextFamily::msg_str), text_id::kMsgPinError));
  w_.update();
}

QString OtherPage::LanguageCaption(int language_id) {
  for (const LanguageName& l : ProgramLanguages()) {
    if (l.id == language_id) return QString::fromUtf8(l.native_name.data(), static_cast<qsizetype>(l.native_name.size())) + QStringLiteral("  \u25be");
  }
  return QString::number(language_id) + QStringLiteral("  \u25be");
}

void OtherPage::ChooseLanguage() {
  const int current = w_.texts_.language();
  int chosen = 0;
  if (w_.choose_language) {
    chosen = w_.choose_language(current);
  } else {
    // Each language under its own name, the one in use checked, below the item.
    QMenu menu(&w_);
    for (const LanguageName& l : ProgramLanguages()) {
      QAction* a = menu.addAction(QString::fromUtf8(l.native_name.data(), static_cast<qsizetype>(l.native_name.size())));
      a->setData(l.id);
      a->setCheckable(true);
      a->setChecked(l.id == current);
    }
    const QRect r = w_.items_[static_cast<size_t>(w_.item_language_)].rect;
    if (const QAction* a = menu.exec(w_.mapToGlobal(r.bottomLeft())); a != nullptr) chosen = a->data().toInt();
  }
  if (chosen == 0 || chosen == current) return;
  ProfileFile set_ini((w_.data_folder_ / kSettingsFileName).string());
  std::string error;
  if (!EnsureDataFolder(w_.data_folder_) || !WriteLanguageOption(set_ini, std::to_string(chosen), &error)) {
    w_.SetHint(error.empty() ? UiText(w_.texts_, ui_text::kCannotWrite, {std::string(kSettingsFileName)}) : QString::fromStdString(error), 50);
    return;
  }
  emit w_.languageChosen(chosen);
}

namespace {

// The filter of the backup file dialogs and the suffix every backup file carries.
QString BackupFilter(const TextTables& texts) { return UiText(texts, ui_text::kBackupFilter); }
constexpr const char* kBackupSuffix = "bf";

QString WithBackupSuffix(QString file) {
  if (!file.isEmpty() && !file.endsWith(QStringLiteral(".bf"), Qt::CaseInsensitive)) file += QStringLiteral(".bf");
  return file;
}

}  // namespace

QString OtherPage::Title(int button_text) const { return w_.T(static_cast<int>(TextFamily::button_str), button_text); }

QString OtherPage::ChooseBackupFile(bool save) {
  const QString title = w_.T(static_cast<int>(TextFamily::button_str), save ? text_id::kBtnBackup : text_id::kBtnRestore);
  // A backup is proposed under today's date; a restore proposes no name.
  w_.proposed_file_ = save ? QStringLiteral("mouse_") + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) +
                                 QStringLiteral(".bf")
                           : QString();
  if (w_.choose_file) return save ? WithBackupSuffix(w_.choose_file(true)) : w_.choose_file(false);
  QFileDialog dlg(&w_, title, QString::fromStdString(w_.data_folder_.string()), BackupFilter(w_.texts_));
  dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  // The dialog adds the suffix itself, so that it asks before overwriting the file really written.
  dlg.setDefaultSuffix(QString::fromLatin1(kBackupSuffix));
  if (save) dlg.selectFile(w_.proposed_file_);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  const QString file = dlg.selectedFiles().constFirst();
  return save ? WithBackupSuffix(file) : file;
}

void OtherPage::RunBackup() {
  if (!w_.HasDevice()) return;
  const QString file = ChooseBackupFile(true);
  if (file.isEmpty()) return;
  w_.BeginBusy();
  auto result = std::make_shared<BackupResult>();
  const std::string path = file.toStdString();
  w_.session_->Post(
      [this, path, result](DeviceLayer& dev, WorkingCopy&) {
        *result = Backup(dev, path, [this](double f, bool) { w_.session_->ReportProgress(f); });
      },
      [this, path, result] {
        w_.EndBusy();
        emit w_.actionFinished(7, result->ok());
        if (result->ok()) return;
        // A backup only reads the mouse, but one that stopped answering may be gone: it is read
        // again, so that the window shows it gone rather than settings nobody can confirm.
        if (result->status == BackupStatus::kReadFailed) w_.ReadMouseAgain();
        w_.ShowMessage(QString::fromStdString(BackupFailureText(w_.texts_, *result, path, false)),
                       Title(text_id::kBtnBackup));
      });
}

void OtherPage::RunRestore() {
  if (!w_.HasDevice()) return;
  w_.prompt_->mode = CStrDlg::kConfirm;
  w_.prompt_->title = w_.T(static_cast<int>(TextFamily::button_str), text_id::kBtnRestore);
  w_.prompt_->message = w_.T(static_cast<int>(TextFamily::msg_str), text_id::kMsgRestoreAsk);
  if (w_.prompt_->exec() != QDialog::Accepted) return;
  const QString file = ChooseBackupFile(false);
  if (file.isEmpty()) return;
  w_.BeginBusy();
  auto result = std::make_shared<std::pair<BackupResult, WorkingCopy>>();
  const std::string path = file.toStdString();
  const std::filesystem::path folder = w_.data_folder_;
  w_.session_->Post(
      [this, path, result, folder](DeviceLayer& dev, WorkingCopy& wc) {
        result->first = Restore(dev, wc, path, folder, [this](double f, bool) { w_.session_->ReportProgress(f); });
        result->second = wc;
      },
      [this, path, result] {
        const BackupStatus* status = &result->first.status;
        w_.EndBusy();
        // A restore that stopped on the way leaves part of the file in the mouse, and one whose
        // automatic backup failed may have met a mouse that stopped answering: the window reads
        // the mouse again instead of showing its copy. A file refused before anything was sent
        // leaves the copy as it was.
        const bool mouse_untouched = *status == BackupStatus::kFileError || *status == BackupStatus::kInvalidFormat ||
                                     *status == BackupStatus::kTooLarge;
        if (result->second.loaded && (result->first.ok() || mouse_untouched)) {
          w_.model_->wc() = result->second;
          w_.RefreshAfterLoad();
        } else {
          w_.ReadMouseAgain();
        }
        emit w_.actionFinished(8, result->first.ok());
        if (result->first.ok()) return;
        // A file that cannot be read ends quietly; a file in another format, or a restore that
        // failed on the way, is told in a message the user has to acknowledge. A write that
        // failed after the automatic backup was taken names that backup.
        const QString text = QString::fromStdString(BackupFailureText(w_.texts_, result->first, path, true));
        if (*status == BackupStatus::kFileError) {
          w_.SetHint(text, 50);
          return;
        }
        w_.ShowMessage(text, Title(text_id::kBtnRestore));
      });
}

void OtherPage::RunReset() {
  if (!w_.HasDevice()) return;
  w_.prompt_->mode = CStrDlg::kConfirm;
  w_.prompt_->title = w_.T(static_cast<int>(TextFamily::button_str), text_id::kBtnReset);
  w_.prompt_->message = w_.T(static_cast<int>(TextFamily::msg_str), text_id::kMsgResetAsk);
  if (w_.prompt_->exec() != QDialog::Accepted) return;
  w_.timer3_.stop();
  w_.timer4_.stop();
  w_.timer5_.stop();
  w_.model_->DiscardPending();
  w_.BeginBusy();
  struct ResetRun {
    ResetResult result = ResetResult::kNoDevice;
    WorkingCopy wc;
    AutoBackupResult auto_backup;
  };
  auto run = std::make_shared<ResetRun>();
  const std::filesystem::path folder = w_.data_folder_;
  const std::string folder_error = UiText(w_.texts_, ui_text::kDataFolderError, {folder.string()}).toStdString();
  w_.session_->Post(
      [this, run, folder, folder_error](DeviceLayer& dev, WorkingCopy& wc) {
        ResetOptions o;
        o.progress = [this](double f) { w_.session_->ReportProgress(f); };
        // The reset overwrites the whole memory: an automatic backup goes first.
        if (!folder.empty()) {
          o.before_write = [&dev, &folder, &folder_error, run] {
            if (!EnsureDataFolder(folder)) {
              run->auto_backup.error = folder_error;
              return false;
            }
            run->auto_backup = SaveAutoBackup(MouseAt(dev, dev.CurrentPath()), folder, "reset");
            return run->auto_backup.ok;
          };
        }
        run->result = ResetToDefaults(dev, wc, o);
        run->wc = wc;
      },
      [this, run] {
        w_.EndBusy();
        const bool done = run->result == ResetResult::kDone;
        // A reset that stopped on the way leaves the mouse holding part of the defaults, and an
        // automatic backup that failed may mean a mouse that stopped answering: the window reads
        // the mouse again instead of showing the copy from before.
        if (done) {
          w_.model_->wc() = run->wc;
          w_.RefreshAfterLoad();
        } else {
          w_.ReadMouseAgain();
        }
        emit w_.actionFinished(9, done);
        if (done) return;
        QString text;
        switch (run->result) {
          case ResetResult::kNoDevice: text = w_.T(static_cast<int>(TextFamily::msg_str), text_id::kMsgNoDevice); break;
          case ResetResult::kBackupFailed:
            text = UiText(w_.texts_, ui_text::kAutoBackupFailed, {run->auto_backup.error});
            break;
          default:
            text = run->auto_backup.file.empty()
                       ? UiText(w_.texts_, ui_text::kUpgradeWriteError)
                       : UiText(w_.texts_, ui_text::kResetWriteError, {run->auto_backup.file.string()});
        }
        w_.ShowMessage(text, Title(text_id::kBtnReset));
      });
}

}  // namespace halvric

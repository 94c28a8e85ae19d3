#pragma once
// Slots of the text tables that the windows show, by name.

#include "config/text_tables.h"

namespace halvric::text_id {

// button_str
inline constexpr int kBtnButtonPage = 0;
inline constexpr int kBtnDpiPage = 1;
inline constexpr int kBtnOtherPage = 2;
inline constexpr int kBtnReset = 3;
inline constexpr int kBtnBackup = 4;
inline constexpr int kBtnRestore = 5;
inline constexpr int kBtnOk = 7;
inline constexpr int kBtnCancel = 8;
inline constexpr int kBtnDefault = 9;
inline constexpr int kBtnHide = 11;
inline constexpr int kBtnXYIndependent = 22;
inline constexpr int kBtnAngleSnapping = 23;
inline constexpr int kBtnReportRate = 24;
inline constexpr int kBtnOsd = 26;
inline constexpr int kBtnCapture = 31;
inline constexpr int kBtnDisableAcceleration = 34;

// button_tip_str
inline constexpr int kTipReset = 3;
inline constexpr int kTipBackup = 4;
inline constexpr int kTipRestore = 5;
inline constexpr int kTipHz = 24;
inline constexpr int kTipYes = 42;
inline constexpr int kTipNo = 43;
inline constexpr int kTipCancel = 44;

// msg_str
inline constexpr int kMsgNoDevice = msg_text::kNoDevice;
inline constexpr int kMsgResetAsk = 11;
inline constexpr int kMsgRestoreAsk = 12;
inline constexpr int kMsgRelative = 14;
inline constexpr int kMsgAbsolute = 15;
inline constexpr int kMsgInvalidFormat = msg_text::kInvalidFormat;
inline constexpr int kMsgRoot = 28;
inline constexpr int kMsgCaptureCountdown = 38;
inline constexpr int kMsgQuickBinding = 39;
inline constexpr int kMsgAssignExecutable = 52;
inline constexpr int kMsgEnterAppName = 53;
inline constexpr int kMsgGeneralOptions = 54;
inline constexpr int kMsgInformation = 55;
inline constexpr int kMsgDriverSettings = 56;
inline constexpr int kMsgModel = 58;
inline constexpr int kMsgPinNumber = 59;
inline constexpr int kMsgPinError = 60;

// cap_input_str
inline constexpr int kCapProfileName = 1;

// drag_tip_str
inline constexpr int kDragRemove = 3;

}  // namespace halvric::text_id

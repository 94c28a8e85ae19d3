#include "app/session_notices.h"

#include "config/text_tables.h"
#include "config/ui_texts.h"
#include "config/safe_format.h"

namespace halvric {
namespace {

int MissingSourceReason(const SessionEnvironment& env) {
  if (!IsWaylandSession(env)) return ui_text::kLinkNoX;
  switch (DesktopOf(env)) {
    case SessionDesktop::kGnome: return ui_text::kLinkGnome;
    case SessionDesktop::kPlasma: return ui_text::kLinkPlasma;
    case SessionDesktop::kSway: return ui_text::kLinkSway;
    case SessionDesktop::kOther: break;
  }
  return ui_text::kLinkOther;
}

}  // namespace

std::string ForegroundNotice(const TextTables& texts, const SessionEnvironment& env,
                             std::optional<ForegroundSource> chosen) {
  if (chosen && (*chosen != ForegroundSource::kX11 || !IsWaylandSession(env))) return {};
  const std::string& how = texts.Get(TextFamily::ui_str, MissingSourceReason(env));
  return SafeFormat(texts.Get(TextFamily::ui_str, chosen ? ui_text::kLinkXWaylandOnly : ui_text::kLinkNoForeground),
                    {how});
}

std::string HostInputNotice(const TextTables& texts, bool started, const std::string& error, bool with_touch) {
  if (!started) {
    const std::string why = error.empty() ? texts.Get(TextFamily::ui_str, ui_text::kUinputUnusable) : error;
    return SafeFormat(texts.Get(TextFamily::ui_str, ui_text::kHostInputOff), {why});
  }
  if (!with_touch) return texts.Get(TextFamily::ui_str, ui_text::kTouchOff);
  return {};
}

}  // namespace halvric

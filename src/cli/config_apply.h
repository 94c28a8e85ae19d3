#pragma once
// Reading the connected mouse into a configuration document, and bringing the mouse to the state
// a document describes with the fewest writes.

#include <functional>
#include <string>
#include <vector>

#include "cli/config_document.h"
#include "cli/ctl_context.h"

namespace halvric {

// The connected mouse's configuration; `only_profile` >= 0 keeps that profile alone.
ConfigDocument ReadDocument(CtlContext& ctx, int only_profile);

// One write that brings a setting to the document's value.
struct ApplyStep {
  std::string text;  // what changes, as printed ("profile 2 name: \"Work\"")
  std::function<bool()> run;
};

// The steps of applying `doc` to the connected mouse, all checked before any is run: throws
// DocumentError naming the field for a file of another model or a value this mouse cannot take.
// The macros come first; the steps after them are planned again once the macros are written
// (`plan_after_macros`), since a button that plays a macro holds the macro's new address.
struct ApplyPlan {
  std::vector<ApplyStep> macros;
  std::vector<ApplyStep> settings;  // as they would be with the macros written
};
ApplyPlan PlanApply(CtlContext& ctx, const ConfigDocument& doc);
// The settings' steps against the mouse as it is now (after the macro steps ran).
std::vector<ApplyStep> PlanSettings(CtlContext& ctx, const ConfigDocument& doc);

}  // namespace halvric

#pragma once
// The main window's working copy of the connected mouse and the changes it sends to it. The window
// tells the model what the user changed; changes that come in bursts (a dragged slider, a toggle
// clicked again and again) wait here until the window's debounce timer asks for them, and then
// only the last value of the burst goes to the mouse. Every send is a job posted through
// DeviceJobs, so the window's thread never waits on the mouse.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "config/working_copy.h"
#include "services/device_jobs.h"

namespace halvric {

class ProfileFile;


class MainWindowModel {
 public:
  explicit MainWindowModel(DeviceJobs& jobs) : jobs_(jobs) {}

  // Called on the window's thread after a change the mouse did not take (its transfer failed):
  // the window's copy may then show a value the mouse does not hold.
  void SetWriteFailedHandler(std::function<void()> handler) { write_failed_ = std::move(handler); }

  // --- the connected mouse
  // A connect outcome: the mouse at `path` with the settings read from it.
  void SetDevice(std::string path, WorkingCopy wc);
  // The mouse has gone: the working copy empties. Pending changes stay until their flush, which
  // then sends nothing.
  void DropDevice();
  bool HasDevice() const { return !path_.empty() && wc_.loaded; }
  const std::string& DevicePath() const { return path_; }
  WorkingCopy& wc() { return wc_; }
  const WorkingCopy& wc() const { return wc_; }
  // The lift-off value last reported by the mouse or set by the user. The mouse tells it only in
  // its status reports: until the first one (or the user's own value) it is unknown.
  uint16_t Lift() const { return lift_; }
  bool LiftKnown() const { return lift_known_; }
  // A status report's value; ignored while the user's value waits for its send, which it would
  // otherwise undo.
  void SetReportedLift(uint16_t lift) {
    if (lift_pending_) return;
    lift_ = lift;
    lift_known_ = true;
  }

  // --- debounced changes: recorded now, sent by the matching Flush
  // The X/Y values of a DPI level (the slider drag); FlushDpi sends every level changed since.
  void SetDpi(int level, uint8_t x, uint8_t y);
  // The report rate code (the slider drag).
  void SetRate(int rate_code);
  void SetAngleSnapping(bool on);
  void SetLift(uint16_t lift);

  void FlushDpi();
  void FlushRate();
  void FlushAngleSnapping();
  void FlushLift();
  // Forgets the DPI, rate and angle-snapping changes not yet sent (the reset to defaults rewrites
  // them all).
  void DiscardPending();

  // --- changes sent at once
  // Selects DPI level `level` as the current one, with the mask of enabled levels unchanged.
  void SelectDpiLevel(int level);
  // Enables or disables DPI level `level`.
  void ToggleDpiLevel(int level);
  // The mouse changed its DPI level by itself (a status report): both working copies follow.
  void NoteMouseDpiLevel(int level);
  // After a connection: the level and mask set.ini keeps for mice that store no DPI state, in
  // both working copies.
  void TakeSavedDpiState(const ProfileFile& set_ini);
  // The colour of profile `profile`: 0-255 levels, or, for mice with two-bit colours, 0-3 levels.
  void SetProfileColour(int profile, const std::array<uint8_t, 3>& rgb);
  // Enables or disables a profile (the mask of enabled profiles, or the profile's own flag).
  void ToggleProfileEnable(int profile);
  // Makes a profile active and stored in the mouse (the profile boxes).
  void SelectProfile(int profile);
  // Switches without storing it (application-linked switching).
  void SwitchProfileLive(int profile);
  // The mouse switched its profile by itself (a status report): both working copies follow, so
  // that a macro rewritten afterwards reloads the profile it plays.
  void NoteMouseProfile(int profile);
  void RenameProfile(int profile, const std::string& name);

 private:
  // Posts a change; its failure reaches the write-failed handler.
  void PostChange(std::function<bool(DeviceLayer& dev, WorkingCopy& wc)> change);

  DeviceJobs& jobs_;
  std::function<void()> write_failed_;
  std::string path_;
  WorkingCopy wc_;
  uint16_t lift_ = 0;
  std::array<bool, kDpiLevels> dpi_marks_{};
  bool rate_pending_ = false;
  bool angle_pending_ = false;
  bool lift_pending_ = false;
  bool lift_known_ = false;
};

}  // namespace halvric

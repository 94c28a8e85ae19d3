// The simulated firmware's command interpreter: one request in, one answer out, in the three
// encodings (short reports, long reports with a group byte, long reports with the operation in
// byte 1). The command list is in sim_mouse.h.

#include <algorithm>

#include "sim/device_identity.h"
#include "sim/sim_mouse.h"

namespace halvric::sim {
namespace {

uint8_t Xor(const std::array<uint8_t, 64>& r, size_t from, size_t to) {
  uint8_t x = 0;
  for (size_t i = from; i <= to; ++i) x ^= r[i];
  return x;
}

uint32_t Addr16(const std::array<uint8_t, 64>& r, size_t at) {
  return static_cast<uint32_t>(r[at] | (r[at + 1] << 8));
}

uint32_t Addr24(const std::array<uint8_t, 64>& r, size_t at) {
  return static_cast<uint32_t>(r[at] | (r[at + 1] << 8) | (r[at + 2] << 16));
}

}  // namespace

// Level 11 keeps the profiles' enable flags as bits of this byte; the main window's profile
// enable boxes write it.
constexpr uint32_t kProfileBitsByte = 15;

bool SimMouse::StrictAllows(const Report& req) const {
  if (!model_.strict) return true;
  const MemoryLayout l = LayoutFor(model_);
  if (const auto w = MemoryWriteOf(req); w && w->address < 32) {
    // A write that covers the whole low area at once belongs to a whole-memory write (the reset,
    // a restore): everything may change then.
    if (w->address == 0 && w->length >= 32) return true;
    for (uint32_t a = w->address; a < w->address + w->length && a < 32; ++a) {
      const bool dpi_pair = a >= l.dpi_table && a < l.dpi_table + 10;
      const bool allowed = dpi_pair || a == l.settings || (model_.lighting && a == l.led_mode) ||
                           (model_.protocol_level == 0 && (a == l.active_profile || a >= l.profile_base)) ||
                           (model_.protocol_level >= 11 && (a == l.dpi_state || a == kProfileBitsByte));
      if (!allowed) return false;
    }
  }
  // Levels 1-10: the profile selections and the LED mode only inside the write guard.
  if (model_.long_reports && model_.protocol_level <= 10 && req[1] == 0x01 && !guard_open_) {
    if (req[2] == 0x07 && (req[3] == 0x00 || req[3] == 0x02)) return false;
    if (req[2] == 0x04 && req[3] == 0x03 && req[4] == 0x01) return false;
  }
  return true;
}

bool SimMouse::Execute(const Report& req) {
  Report ans{};
  const uint8_t cmd = req[1];
  bool ok = false;
  bool refused = false;
  if (model_.long_reports && req[63] != Xor(req, 1, 62)) {
    SetError(ans, cmd, kBadChecksum);
  } else if (!model_.long_reports && cmd != 0x09 && req[8] != Xor(req, 1, 7)) {
    SetError(ans, cmd, kBadChecksum);
  } else if (!StrictAllows(req)) {
    SetError(ans, cmd, kRefused);
    refused = true;
  } else if (!model_.long_reports) {
    ok = ExecuteShort(req, ans);
  } else if (cmd == 0x00) {
    ok = ExecuteGroup0(req, ans);
  } else if (cmd == 0x01) {
    ok = ExecuteGroup1(req, ans);
  } else if (model_.protocol_level >= 11) {
    ok = ExecuteLevel11(req, ans);
  } else {
    SetError(ans, cmd, kUnknownCommand);
  }
  if (ok) {
    ans[1] = static_cast<uint8_t>(cmd & 0x3F);
    ++changes_;
  }
  ans[1] |= 0x40;
  if (model_.long_reports) ans[63] = Xor(ans, 1, 62);
  ans[0] = FeatureReportId();
  answer_ = ans;
  return !refused;
}

// ---------------------------------------------------------------------------------------------
// Level 0: 9-byte reports

bool SimMouse::ExecuteShort(const Report& req, Report& ans) {
  const uint8_t cmd = req[1];
  const uint8_t op = req[2];
  const MemoryLayout l = LayoutFor(model_);
  switch (cmd) {
    case 0x00:
      if (op == 0x00) {  // status
        ans[2] = DecoyState(1);
        ans[3] = static_cast<uint8_t>(active_profile_);
        ans[4] = StatusFlags();
        ans[6] = static_cast<uint8_t>(model_.sensor_a);
        ans[7] = marker_;
        ans[8] = static_cast<uint8_t>(model_.sensor_b);
        return true;
      }
      if (op == 0x01) {  // selection marker
        marker_ = req[3];
        tag_ = req[3];
        return true;
      }
      if (op == 0x02) {  // information
        const auto rec = DeviceRecord(model_);
        switch (req[3]) {
          case 0x00:
            ans[2] = rec[16];
            ans[3] = rec[2];
            ans[4] = rec[3];
            ans[5] = rec[4];
            ans[6] = rec[10];
            ans[7] = rec[11];
            return true;
          case 0x01:
            ans[2] = rec[12];
            ans[3] = rec[13];
            return true;
          case 0x02:
            std::copy(rec.begin() + 6, rec.begin() + 10, ans.begin() + 2);
            return true;
          case 0x04: {
            if (req[4] >= l.info_entries) break;
            const auto e = InfoEntry(model_, req[4]);
            std::copy(e.begin(), e.end(), ans.begin() + 2);
            return true;
          }
          default:
            break;
        }
        SetError(ans, cmd, kBadParameter);
        return false;
      }
      break;
    case 0x01:
      if (op == 0x01) {  // host attach
        host_mode_ = {req[3], req[4]};
        return true;
      }
      break;
    case 0x04:
      switch (op) {
        case 0x00:  // GetStatus
          ans[2] = DpiState();
          ans[3] = static_cast<uint8_t>(active_profile_);
          ans[4] = StatusFlags();
          ans[5] = static_cast<uint8_t>(lift_ & 0xFF);
          ans[6] = static_cast<uint8_t>(lift_ >> 8);
          ans[7] = static_cast<uint8_t>(led_mode_);
          return true;
        case 0x01:  // ApplyDpiLevel
          dpi_level_ = std::min<int>(req[3], 4);
          dpi_x_ = req[4];
          dpi_y_ = req[5];
          return true;
        case 0x02:  // SelectProfileStored (the host writes the stored byte itself)
        case 0x03:  // SelectProfileLive
          if (req[3] > 4) break;
          active_profile_ = req[3];
          return true;
        case 0x08:  // lift word
          lift_ = static_cast<uint16_t>(req[3] | (req[4] << 8));
          return true;
        default:
          break;
      }
      if (op <= 0x08) {
        SetError(ans, cmd, op == 0x02 || op == 0x03 ? kBadParameter : kUnknownCommand);
        return false;
      }
      break;
    case 0x05:
      switch (op) {
        case 0x00: {  // read 7 bytes
          const uint32_t a = Addr24(req, 3);
          for (uint32_t i = 0; i < 7; ++i) ans[2 + i] = Mem(a + i);
          return true;
        }
        case 0x01:  // write one byte
          SetMem(Addr16(req, 3), req[6]);
          return true;
        case 0x02: {  // write the staged bytes
          const uint32_t a = Addr24(req, 3);
          const uint8_t len = req[6];
          if (len == 0 || len > 32) {
            SetError(ans, cmd, kBadParameter);
            return false;
          }
          for (uint32_t i = 0; i < len; ++i) SetMem(a + i, staging_[i]);
          staging_.fill(0);
          return true;
        }
        default:
          break;
      }
      break;
    case 0x08:
      if (op == 0x00 || op == 0x02) {
        if (op == 0x00) ++commit_count_; else ++alternate_commit_count_;
        Reload(op == 0x02);
        return true;
      }
      break;
    case 0x09: {  // stage six bytes
      const uint8_t off = req[2];
      if (off > staging_.size() - 6) {
        SetError(ans, cmd, kBadParameter);
        return false;
      }
      std::copy(req.begin() + 3, req.begin() + 9, staging_.begin() + off);
      return true;
    }
    default:
      break;
  }
  SetError(ans, cmd, kUnknownCommand);
  return false;
}

// ---------------------------------------------------------------------------------------------
// Long reports

void SimMouse::FillLongStatus(Report& ans) const {
  // The DPI state is where GetStatus reads it (byte 8 on levels 1-10, byte 15 on level 11); the
  // other positions that could hold it carry distinct values, so that a host reading the wrong
  // one fails.
  const bool level11 = model_.protocol_level >= 11;
  const uint8_t flags = StatusFlags();
  ans[2] = DecoyState(1);
  ans[3] = static_cast<uint8_t>(active_profile_);
  ans[4] = dpi_x_;
  ans[5] = dpi_y_;
  ans[7] = static_cast<uint8_t>(model_.sensor_a);
  ans[8] = level11 ? DecoyState(2) : DpiState();
  ans[9] = static_cast<uint8_t>(active_profile_);
  ans[10] = flags;
  if (model_.protocol_level >= 11) {
    ans[12] = marker_;
  } else {
    ans[6] = marker_;
  }
  if (model_.reports_memory_size) {
    const auto highest = static_cast<uint32_t>(model_.memory_size - 1);
    ans[13] = static_cast<uint8_t>(highest & 0xFF);
    ans[14] = static_cast<uint8_t>((highest >> 8) & 0xFF);
  }
  ans[15] = level11 ? DpiState() : DecoyState(2);
  ans[16] = static_cast<uint8_t>(active_profile_);
  ans[17] = flags;
  ans[18] = static_cast<uint8_t>(led_mode_);
  ans[21] = static_cast<uint8_t>(lift_ & 0xFF);
  ans[22] = static_cast<uint8_t>(lift_ >> 8);
}

bool SimMouse::ExecuteGroup0(const Report& req, Report& ans) {
  if (req[2] == 0x00) {
    FillLongStatus(ans);
    return true;
  }
  if (req[2] == 0x01 && req[3] == 0x12) {
    marker_ = req[4];
    tag_ = req[4];
    return true;
  }
  if (req[2] == 0x12 && req[3] == 0x12) {
    ++wake_count_;
    guard_open_ = !guard_open_;
    return true;
  }
  SetError(ans, req[1], kUnknownCommand);
  return false;
}

bool SimMouse::ExecuteGroup1(const Report& req, Report& ans) {
  const uint8_t op = req[2];
  const bool group_level = model_.protocol_level <= 10;
  switch (op) {
    case 0x00:
      if (!group_level) break;
      if (req[3] == 0x00) {  // memory read
        const uint32_t a = Addr16(req, 4);
        for (uint32_t i = 0; i < 61; ++i) ans[2 + i] = Mem(a + i);
        return true;
      }
      if (req[3] == 0x01) {  // device record, from a word offset
        const auto rec = DeviceRecord(model_);
        const size_t from = static_cast<size_t>(req[4]) * 2;
        for (size_t i = 0; i < 60 && from + i < rec.size(); ++i) ans[2 + i] = rec[from + i];
        return true;
      }
      SetError(ans, req[1], kBadParameter);
      return false;
    case 0x03: {  // memory write
      if (!group_level) break;
      const uint8_t len = req[5];
      if (len == 0 || len > 57) {
        SetError(ans, req[1], kBadParameter);
        return false;
      }
      const uint32_t a = Addr16(req, 3);
      for (uint32_t i = 0; i < len; ++i) SetMem(a + i, req[6 + i]);
      return true;
    }
    case 0x04:
      if (req[3] == 0x00 || req[3] == 0x02) {
        if (!group_level) break;
        if (req[3] == 0x00) ++commit_count_; else ++alternate_commit_count_;
        Reload(req[3] == 0x02);
        return true;
      }
      if (req[3] == 0x03) {
        if (!model_.lighting || model_.protocol_level < 3) break;
        if (req[4] == 0x00) {  // apply the zone table
          ++lighting_apply_count_;
          Reload(true);
          return true;
        }
        if (req[4] == 0x01 && group_level) {  // LED mode
          if (req[5] > 4) {
            SetError(ans, req[1], kBadParameter);
            return false;
          }
          led_mode_ = req[5];
          return true;
        }
        SetError(ans, req[1], kBadParameter);
        return false;
      }
      break;
    case 0x05:  // pair setting
      if (req[3] != 0x00) break;
      pair_ = {req[4], req[5]};
      return true;
    case 0x06:  // host attach
      host_mode_ = {req[3], req[4]};
      return true;
    case 0x07:
      switch (req[3]) {
        case 0x00:
        case 0x02:
          if (!group_level) break;
          if (req[4] > 4) {
            SetError(ans, req[1], kBadParameter);
            return false;
          }
          active_profile_ = req[4];
          if (req[3] == 0x00) SetMem(LayoutFor(model_).active_profile, req[4]);
          return true;
        case 0x01:
          if (!group_level) break;
          dpi_x_ = req[4];
          dpi_y_ = req[5];
          return true;
        case 0x03:
          if (req[4] != 0x02) break;
          lift_ = static_cast<uint16_t>(req[5] | (req[6] << 8));
          return true;
        default:
          break;
      }
      break;
    case 0x08:  // live LED preview: 02 zone 255 flags r g b
      if (!group_level || !model_.lighting || req[3] != 0x02) break;
      if (req[4] >= zones_.size()) {
        SetError(ans, req[1], kBadParameter);
        return false;
      }
      zones_[req[4]] = {req[6], req[7], req[8], req[9]};
      return true;
    default:
      break;
  }
  SetError(ans, req[1], kUnknownCommand);
  return false;
}

bool SimMouse::ExecuteLevel11(const Report& req, Report& ans) {
  const uint8_t op = req[1];
  switch (op) {
    case 0x02: {  // memory read
      const uint32_t a = Addr16(req, 2);
      for (uint32_t i = 0; i < 61; ++i) ans[2 + i] = Mem(a + i);
      return true;
    }
    case 0x03: {  // memory write
      const uint8_t len = req[4];
      if (len == 0 || len > 58) break;
      const uint32_t a = Addr16(req, 2);
      for (uint32_t i = 0; i < len; ++i) SetMem(a + i, req[5 + i]);
      return true;
    }
    case 0x0A: {  // information entry
      if (req[2] >= 32 || req[3] != 0x01) break;
      const auto e = InfoEntry(model_, req[2]);
      std::copy(e.begin(), e.end(), ans.begin() + 2);
      return true;
    }
    case 0x0F:  // profile, stored
    case 0x11:  // profile, live
      if (req[2] > 4) break;
      active_profile_ = req[2];
      if (op == 0x0F) SetMem(LayoutFor(model_).active_profile, req[2]);
      return true;
    case 0x10:
      dpi_x_ = req[2];
      dpi_y_ = req[3];
      return true;
    case 0x12:
      if (!model_.lighting || req[2] > 4) break;
      led_mode_ = req[2];
      return true;
    case 0x13:  // live LED preview: zone flags r g b
      if (!model_.lighting || req[2] >= zones_.size()) break;
      zones_[req[2]] = {req[3], req[4], req[5], req[6]};
      return true;
    case 0x14:
    case 0x16:
      if (op == 0x14) ++commit_count_; else ++alternate_commit_count_;
      Reload(op == 0x16);
      return true;
    case 0x18:
    case 0x19:
      return ExecuteUpgrade(req, ans);
    default:
      SetError(ans, op, kUnknownCommand);
      return false;
  }
  SetError(ans, op, kBadParameter);
  return false;
}

bool SimMouse::ExecuteUpgrade(const Report& req, Report& ans) {
  if (req[2] != 0x12 || req[3] != 0x12) {
    SetError(ans, req[1], kBadParameter);
    return false;
  }
  if (req[1] == 0x18) {
    radio_pair_ = req[4];
    return true;
  }
  switch (req[4]) {
    case 0x00:  // leave ISP mode: the mouse restarts
      isp_ = false;
      guard_open_ = false;
      Reload(false);
      return true;
    case 0x01:
      isp_ = true;
      return true;
    case 0x02: {
      const uint32_t addr = Addr24(req, 5);
      const uint8_t len = req[8];
      if (!isp_ || isp_silent_) return true;  // ignored, not acknowledged
      if (len == 0 || len > 54 || addr + len > 0x10000) {
        QueueIspAck(addr, len, 2);
        return true;
      }
      if (nack_isp_ > 0 && nack_after_ == 0) {
        --nack_isp_;
        QueueIspAck(addr, len, 1);
        return true;
      }
      if (ack_elsewhere_ > 0) {
        --ack_elsewhere_;
        QueueIspAck(addr + len, len, 0);
        return true;
      }
      if (nack_after_ > 0) --nack_after_;
      if (flash_.empty()) flash_.assign(0x10000, 0xFF);
      std::copy(req.begin() + 9, req.begin() + 9 + len, flash_.begin() + addr);
      ++isp_writes_;
      QueueIspAck(addr, len, 0);
      return true;
    }
    case 0x04:
      channel_ = req[5];
      return true;
    case 0x05:
      ans[2] = channel_;
      ans[3] = power_saving_;
      ans[4] = radio_pair_;
      ans[5] = isp_ ? 1 : 0;
      return true;
    case 0x06:
      power_saving_ = req[5];
      return true;
    case 0x07: {
      const uint8_t len = std::min<uint8_t>(req[6], 56);
      small_write_.assign(req.begin() + 7, req.begin() + 7 + len);
      return true;
    }
    default:
      break;
  }
  SetError(ans, req[1], kUnknownCommand);
  return false;
}

}  // namespace halvric::sim

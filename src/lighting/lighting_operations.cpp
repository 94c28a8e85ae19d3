#include "lighting/lighting_operations.h"

#include <span>

#include "config/lighting_apply.h"
#include "device/device_commands.h"

namespace halvric::lighting {
namespace {

// The mouse keeps its memory locked while bit 6 of status byte 10 is clear: it is woken before
// the access and woken again after it, which locks it again.
template <typename F>
bool WithWriteGuard(DeviceLayer& dev, const std::string& path, F&& access) {
  const StatusValues st = GetStatus(dev, path);
  if (!st.ok) return false;
  const bool locked = (st.raw[10] & 0x40) == 0;
  if (locked && !Wake(dev, path)) return false;
  const bool ok = access();
  if (locked && !Wake(dev, path)) return false;
  return ok;
}

bool ValidZone(DeviceLayer& dev, const std::string& path, int zone) {
  return zone >= 0 && zone < ZoneTableFor(dev.ProtocolLevel(path)).records;
}

}  // namespace

ZoneTable ZoneTableFor(int protocol_level) {
  if (protocol_level >= 11) return {0x500, 16};
  return {0x460, 13};
}

bool HasLighting(DeviceLayer& dev, const std::string& path) { return HasLightingControl(dev, path); }

int GetLedMode(DeviceLayer& dev, const std::string& path) {
  if (!HasLighting(dev, path)) return 0;
  const StatusValues st = GetStatus(dev, path);
  if (!st.ok) return 0;
  const int stored = ReadMemoryByte(dev, path, kLedModeAddress, true);
  if ((st.raw[10] & 0x40) == 0) Wake(dev, path);
  const int effect = stored >= 0 && stored < kEffectCount ? stored : 0;
  dev.SetCurrentLedMode(effect);
  return effect;
}

bool SetLedMode(DeviceLayer& dev, const std::string& path, int effect) {
  if (effect < 0 || effect >= kEffectCount || !HasLighting(dev, path)) return false;
  return halvric::SetLedMode(dev, path, effect);
}

bool ReadLightingBlock(DeviceLayer& dev, const std::string& path, std::vector<LedZoneRecord>& zones) {
  if (!HasLighting(dev, path)) return false;
  const ZoneTable table = ZoneTableFor(dev.ProtocolLevel(path));
  std::vector<uint8_t> bytes(static_cast<size_t>(table.records) * 4, 0);
  const bool ok = WithWriteGuard(dev, path, [&] { return ReadMemory(dev, path, table.address, bytes, true); });
  if (!ok) return false;
  zones = DecodeZoneRecords(bytes);
  return true;
}

bool SetZoneColour(DeviceLayer& dev, const std::string& path, int zone, const LedZoneRecord& record) {
  if (!HasLighting(dev, path) || !ValidZone(dev, path, zone)) return false;
  const int level = dev.ProtocolLevel(path);
  const uint32_t address = ZoneTableFor(level).address + 4 * static_cast<uint32_t>(zone);
  const auto bytes = record.Bytes();
  return WithWriteGuard(dev, path, [&] {
    if (!WriteMemory(dev, path, address, bytes)) return false;
    return level >= 11 || SendLightingApply(dev, path);
  });
}

bool LightingCommit(DeviceLayer& dev, const std::string& path) {
  if (!HasLighting(dev, path)) return false;
  return SendLightingApply(dev, path);
}

bool SetLed(DeviceLayer& dev, const std::string& path, int zone, const LedZoneRecord& record) {
  if (!HasLighting(dev, path) || !ValidZone(dev, path, zone)) return false;
  const auto b = record.Bytes();
  return halvric::SetLed(dev, path, {static_cast<uint8_t>(zone), 255, b[0], b[1], b[2], b[3]});
}

}  // namespace halvric::lighting

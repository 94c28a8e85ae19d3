#include "lighting/lighting_operations.h"

#include <span>

#include "device/device_commands.h"

namespace halvric::lighting {
namespace {

bool ValidZone(DeviceLayer& dev, const std::string& path, int zone) {
  return zone >= 0 && zone < ZoneRecords(dev, path);
}

}  // namespace

int ZoneRecords(DeviceLayer& dev, const std::string& path) { return dev.Map(path).zone_records; }

int GetLedMode(DeviceLayer& dev, const std::string& path) {
  if (!dev.HasLighting(path)) return 0;
  const StatusValues st = GetStatus(dev, path);
  if (!st.ok) return 0;
  const int stored = ReadMemoryByte(dev, path, dev.Map(path).led_mode, true);
  if ((st.raw[10] & 0x40) == 0) Wake(dev, path);
  const int effect = stored >= 0 && stored < kEffectCount ? stored : 0;
  dev.SetCurrentLedMode(effect);
  return effect;
}

bool SetLedMode(DeviceLayer& dev, const std::string& path, int effect) {
  if (effect < 0 || effect >= kEffectCount || !dev.HasLighting(path)) return false;
  return halvric::SetLedMode(dev, path, effect);
}

bool ReadLightingBlock(DeviceLayer& dev, const std::string& path, std::vector<LedZoneRecord>& zones) {
  if (!dev.HasLighting(path)) return false;
  const MemoryMap map = dev.Map(path);
  std::vector<uint8_t> bytes(static_cast<size_t>(map.zone_records) * kZoneRecordSize, 0);
  const bool ok = WithWriteGuard(dev, path, [&] { return ReadMemory(dev, path, map.zone_table, bytes, true); });
  if (!ok) return false;
  zones = DecodeZoneRecords(bytes);
  return true;
}

bool SetZoneColour(DeviceLayer& dev, const std::string& path, int zone, const LedZoneRecord& record) {
  if (!dev.HasLighting(path) || !ValidZone(dev, path, zone)) return false;
  const uint32_t address = dev.Map(path).Zone(zone);
  const auto bytes = record.Bytes();
  return WithWriteGuard(dev, path, [&] {
    if (!WriteMemory(dev, path, address, bytes)) return false;
    return ZoneWriteShowsAtOnce(dev, path) || SendLightingApply(dev, path);
  });
}

bool LightingCommit(DeviceLayer& dev, const std::string& path) {
  if (!dev.HasLighting(path)) return false;
  return SendLightingApply(dev, path);
}

bool SetLed(DeviceLayer& dev, const std::string& path, int zone, const LedZoneRecord& record) {
  if (!dev.HasLighting(path) || !ValidZone(dev, path, zone)) return false;
  const auto b = record.Bytes();
  return halvric::SetLed(dev, path, {static_cast<uint8_t>(zone), 255, b[0], b[1], b[2], b[3]});
}

}  // namespace halvric::lighting

#include "lighting/lighting_operations.h"

#include <span>

#include "device/device_commands.h"

namespace halvric::lighting {
namespace {

bool ValidZone(const Mouse& m, int zone) {
  return zone >= 0 && zone < ZoneRecords(m);
}

}  // namespace

int ZoneRecords(const Mouse& m) { return m.map.zone_records; }

int GetLedMode(const Mouse& m) {
  if (!m.dev->HasLighting(m.path)) return 0;
  const StatusValues st = GetStatus(m);
  if (!st.ok) return 0;
  const int stored = ReadMemoryByte(m, m.map.led_mode, true);
  if ((st.raw[10] & 0x40) == 0) Wake(m);
  const int effect = stored >= 0 && stored < kEffectCount ? stored : 0;
  m.dev->SetCurrentLedMode(effect);
  return effect;
}

bool SetLedMode(const Mouse& m, int effect) {
  if (effect < 0 || effect >= kEffectCount || !m.dev->HasLighting(m.path)) return false;
  return halvric::SetLedMode(m, effect);
}

bool ReadLightingBlock(const Mouse& m, std::vector<LedZoneRecord>& zones) {
  if (!m.dev->HasLighting(m.path)) return false;
  const MemoryMap map = m.map;
  std::vector<uint8_t> bytes(static_cast<size_t>(map.zone_records) * kZoneRecordSize, 0);
  const bool ok = WithWriteGuard(m, [&] { return ReadMemory(m, map.zone_table, bytes, true); });
  if (!ok) return false;
  zones = DecodeZoneRecords(bytes);
  return true;
}

bool SetZoneColour(const Mouse& m, int zone, const LedZoneRecord& record) {
  if (!m.dev->HasLighting(m.path) || !ValidZone(m, zone)) return false;
  const uint32_t address = m.map.Zone(zone);
  const auto bytes = record.Bytes();
  return WithWriteGuard(m, [&] {
    if (!WriteMemory(m, address, bytes)) return false;
    return ZoneWriteShowsAtOnce(m) || SendLightingApply(m);
  });
}

bool LightingCommit(const Mouse& m) {
  if (!m.dev->HasLighting(m.path)) return false;
  return SendLightingApply(m);
}

bool SetLed(const Mouse& m, int zone, const LedZoneRecord& record) {
  if (!m.dev->HasLighting(m.path) || !ValidZone(m, zone)) return false;
  const auto b = record.Bytes();
  return halvric::SetLed(m, {static_cast<uint8_t>(zone), 255, b[0], b[1], b[2], b[3]});
}

}  // namespace halvric::lighting

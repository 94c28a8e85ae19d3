#pragma once
// The lighting operations on a mouse: the global effect, the zone table in the mouse's memory
// and the live preview of one zone. Only mice of protocol level 3 and above with the lighting
// flag get any of these requests; on every other mouse they send nothing.

#include <cstdint>
#include <string>
#include <vector>

#include "device/mouse.h"
#include "lighting/led_zone_record.h"

namespace halvric::lighting {

inline constexpr int kEffectCount = 5;  // 0 "Customize", 1 "Wave", 2 "Wave (Invert)", 3 "Random 1", 4 "Random 2"
inline constexpr int kCustomize = 0;
// Index of the effect texts in the button texts: effect e is button_str (kEffectTextBase + e).
inline constexpr int kEffectTextBase = 51;

// The number of zone records the mouse keeps (its memory map's zone table).
int ZoneRecords(const Mouse& m);


// The stored effect (0-4); 0 when it was not read or holds no valid effect. The device layer's
// current effect follows it.
int GetLedMode(const Mouse& m);
// Stores and shows effect 0-4. A larger effect, or a mouse without lighting, gets nothing and
// leaves the current effect unchanged.
bool SetLedMode(const Mouse& m, int effect);
// The zone records (13 or 16); `zones` is left as it was when the read fails.
bool ReadLightingBlock(const Mouse& m, std::vector<LedZoneRecord>& zones);
// Stores one zone's record; levels 3-10 then make the mouse show the zone table.
bool SetZoneColour(const Mouse& m, int zone, const LedZoneRecord& record);
// Makes the mouse show the zone table held in its memory.
bool LightingCommit(const Mouse& m);
// Shows a colour on one zone without storing it.
bool SetLed(const Mouse& m, int zone, const LedZoneRecord& record);

}  // namespace halvric::lighting

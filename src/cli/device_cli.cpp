// halvricctl commands that speak to the device layer directly: list, info, mem read, mem write.

#include <CLI/CLI.hpp>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <vector>

#include "cli/ctl_app.h"
#include "cli/ctl_context.h"
#include "cli/ctl_help.h"
#include "cli/ctl_text.h"
#include "cli/text_format.h"
#include "device/device_commands.h"
#include "device/memory_size.h"
#include "device/model_layout.h"

namespace halvric {
namespace {

// CLI11 validator and converter for decimal or 0x-hex numbers.
uint32_t Number(CtlContext& ctx, const std::string& text, const char* what) {
  auto v = ParseNumber(text);
  if (!v) throw CLI::ValidationError(what, ctx.Text(ctl_text::kNotANumber, {text}));
  return *v;
}

void ListMice(CtlContext& ctx) {
  ctx.Enumerate();
  DeviceLayer& dev = ctx.Devices();
  nlohmann::json arr = nlohmann::json::array();
  for (const auto& path : dev.DevicePaths()) {
    const auto info = dev.Info(path);
    if (!info) continue;
    const std::string name = ModelName(*info);
    const std::string port = ctx.Location(path);
    if (ctx.options.json) {
      arr.push_back({{"path", path},
                     {"port", port},
                     {"model", name},
                     {"type_code", info->type_code},
                     {"protocol_level", info->protocol_level},
                     {"lighting", info->lighting}});
    } else {
      ctx.out << path << "  " << (port.empty() ? "-" : port) << "  " << name << "  "
              << ctx.Text(ctl_text::kListLine, {info->type_code, info->protocol_level, info->lighting}) << "\n";
    }
  }
  if (dev.DeviceCount() == 0) ctx.ThrowNoDevice();
  if (ctx.options.json) ctx.out << arr.dump(2) << "\n";
}

void Info(CtlContext& ctx) {
  const std::string& path = ctx.Connect();
  DeviceLayer& dev = ctx.Devices();
  const Mouse mouse = MouseAt(dev, path);
  const auto info = dev.Info(path);
  if (!info) throw CtlError(ctx.Text(TextFamily::msg_str, kMsgNoDevice));
  const ModelLayout& layout = ctx.layout();
  const uint32_t top = MemoryTop(mouse);
  // Keeps the attributes in the order identification learns them.
  nlohmann::ordered_json j = {
      {"path", path},
      {"model", ModelName(*info)},
      {"type_code", info->type_code},
      {"protocol_level", info->protocol_level},
      {"generation", info->generation},
      {"class", info->device_class},
      {"variant", info->variant},
      {"feature_flags", info->feature_flags},
      {"sensor_a", info->sensor_a},
      {"sensor_b", info->sensor_b},
      {"extended_flag", info->extended_flag},
      {"lighting", info->lighting},
      {"feature_report_length", info->feature_report_length},
      {"product_id", info->product_id},
      {"model_row", layout.row},
      {"key_row", layout.key_row},
      {"buttons", layout.buttons},
      {"memory_top", top},
      {"device_record_raw", HexBytes(info->record)},
  };
  if (ctx.options.json) {
    ctx.out << j.dump(2) << "\n";
    return;
  }
  // The labels in the user's language, one slot per attribute in the order above.
  static_assert(ctl_text::kInfoDeviceRecord - ctl_text::kInfoPath == 18, "a label for each attribute");
  int label = ctl_text::kInfoPath;
  for (const auto& [key, value] : j.items()) {
    ctx.out << ctx.Text(label++) << ": " << (value.is_string() ? value.get<std::string>() : value.dump()) << "\n";
  }
}

// A smaller memory repeats itself across the address space: an address past its top would read
// or write the bytes at the bottom again, so it is refused. Mice that do not report their size
// are probed as every read of the whole mouse does (a marker at the top of the address space).
void CheckInsideMemory(CtlContext& ctx, uint32_t addr, uint32_t len) {
  const uint32_t top = MemoryTop(MouseAt(ctx.Devices(), ctx.Connect()));
  if (static_cast<uint64_t>(addr) + len - 1 > top) {
    throw CLI::ValidationError("ADDR", ctx.Text(ctl_text::kMemoryEnds, {top}));
  }
}

void MemRead(CtlContext& ctx, const std::string& addr_text, const std::string& len_text, bool no_cache) {
  const uint32_t addr = Number(ctx, addr_text, "ADDR");
  const uint32_t len = Number(ctx, len_text, "LEN");
  if (len == 0 || len > 0x10000 || addr > 0xFFFFFF) throw CLI::ValidationError("LEN", ctx.Text(ctl_text::kOutOfRange));
  CheckInsideMemory(ctx, addr, len);
  const std::string& path = ctx.Connect();
  std::vector<uint8_t> buf(len, 0);
  if (!ReadMemory(MouseAt(ctx.Devices(), path), addr, buf, !no_cache)) throw CtlError(ctx.Text(ctl_text::kReadNotAnswered));
  if (ctx.options.json) {
    ctx.out << nlohmann::json{{"address", addr}, {"bytes", HexBytes(buf)}}.dump(2) << "\n";
  } else {
    ctx.out << HexDump(addr, buf);
  }
}

void MemWrite(CtlContext& ctx, const std::string& addr_text, const std::vector<std::string>& hex_parts) {
  const uint32_t addr = Number(ctx, addr_text, "ADDR");
  std::string joined;
  for (const auto& p : hex_parts) joined += p + " ";
  auto bytes = ParseHexBytes(joined);
  if (!bytes || bytes->empty()) throw CLI::ValidationError("HEXBYTES", ctx.Text(ctl_text::kExpectedHexBytes));
  if (addr > 0xFFFF || addr + bytes->size() > 0x10000) throw CLI::ValidationError("ADDR", ctx.Text(ctl_text::kOutOfRange));
  CheckInsideMemory(ctx, addr, static_cast<uint32_t>(bytes->size()));
  const std::string& path = ctx.Connect();
  DeviceLayer& dev = ctx.Devices();
  const Mouse mouse = MouseAt(dev, path);
  if (!WriteMemory(mouse, addr, *bytes)) throw CtlError(ctx.WriteError());
  if (!Commit(mouse)) throw CtlError(ctx.WriteError());
  char where[16];
  std::snprintf(where, sizeof where, "0x%04x", addr);
  ctx.Confirm(ctx.Text(ctl_text::kMemWritten, {static_cast<long long>(bytes->size()), where}),
              {{"address", addr}, {"written", bytes->size()}});
}

}  // namespace

void RegisterDeviceCommands(CLI::App& app, CtlContext& ctx) {
  app.add_subcommand("list", Help(ctl_text::kHelpList))->callback([&ctx] { ListMice(ctx); });
  app.add_subcommand("info", Help(ctl_text::kHelpInfo))->callback([&ctx] { Info(ctx); });

  auto* mem = app.add_subcommand("mem", Help(ctl_text::kHelpMem));
  mem->require_subcommand(1);
  auto* rd = mem->add_subcommand("read", Help(ctl_text::kHelpMemRead));
  auto addr_r = std::make_shared<std::string>();
  auto len_r = std::make_shared<std::string>();
  auto no_cache = std::make_shared<bool>(false);
  rd->add_option("ADDR", *addr_r, Help(ctl_text::kHelpAddress))->required();
  rd->add_option("LEN", *len_r, Help(ctl_text::kHelpLength))->required();
  rd->add_flag("--no-cache", *no_cache, Help(ctl_text::kHelpNoCache));
  rd->callback([&ctx, addr_r, len_r, no_cache] { MemRead(ctx, *addr_r, *len_r, *no_cache); });

  auto* wr = mem->add_subcommand("write", Help(ctl_text::kHelpMemWrite));
  auto addr_w = std::make_shared<std::string>();
  auto hex = std::make_shared<std::vector<std::string>>();
  wr->add_option("ADDR", *addr_w, Help(ctl_text::kHelpAddress))->required();
  wr->add_option("HEXBYTES", *hex, Help(ctl_text::kHelpHexBytes))->required();
  wr->callback([&ctx, addr_w, hex] { MemWrite(ctx, *addr_w, *hex); });
}

}  // namespace halvric

// The udev rule, run over recorded devices. `udevadm test` needs the device in /sys, which a
// build machine does not have, so this test carries a small interpreter of the rule language
// (the keys and operators the rule uses) and recordings of real devices: their properties
// (`udevadm info`), the attributes of the device and its parents (`udevadm info -a`), and what
// `udevadm test-builtin usb_id` imports for them. It fails on a rule that uses anything it does
// not know.

#include <fnmatch.h>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Device {
  std::string name;
  std::string action = "add";
  std::map<std::string, std::string> env;             // E: lines; SUBSYSTEM and DEVTYPE among them
  std::map<std::string, std::string> attrs;           // the device's own attributes
  std::vector<std::map<std::string, std::string>> parents;  // attributes of each parent, nearest first
  std::map<std::string, std::string> usb_id;          // what IMPORT{builtin}="usb_id" adds
};

struct Key {
  std::string name, op, value;
};

// udev patterns: shell globs, alternatives separated by '|'.
bool Matches(const std::string& value, const std::string& pattern) {
  std::stringstream alternatives(pattern);
  std::string one;
  while (std::getline(alternatives, one, '|')) {
    if (::fnmatch(one.c_str(), value.c_str(), 0) == 0) return true;
  }
  return pattern.empty() && value.empty();
}

std::vector<Key> ParseRule(const std::string& line) {
  std::vector<Key> keys;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == ',')) ++i;
    if (i >= line.size()) break;
    const size_t op = line.find_first_of("=!+", i);
    const size_t quote = line.find('"', op);
    const size_t end = line.find('"', quote + 1);
    if (op == std::string::npos || quote == std::string::npos || end == std::string::npos) {
      ADD_FAILURE() << "cannot read: " << line;
      return {};
    }
    Key k;
    k.name = line.substr(i, op - i);
    k.op = line.substr(op, quote - op);
    k.value = line.substr(quote + 1, end - quote - 1);
    keys.push_back(k);
    i = end + 1;
  }
  return keys;
}

std::string Inside(const std::string& name) {
  const size_t open = name.find('{');
  return name.substr(open + 1, name.size() - open - 2);
}

// The tags the rule file gives `device`.
std::vector<std::string> Apply(const std::string& rule_file, Device device) {
  std::vector<std::vector<Key>> rules;
  std::ifstream in(rule_file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    rules.push_back(ParseRule(line));
  }
  std::vector<std::string> tags;
  for (size_t r = 0; r < rules.size(); ++r) {
    bool match = true;
    std::string go_to;
    std::vector<const Key*> actions;
    for (const Key& k : rules[r]) {
      const bool compare = k.op == "==" || k.op == "!=";
      if (!compare) {
        actions.push_back(&k);
        continue;
      }
      bool found = false;
      if (k.name == "ACTION") found = Matches(device.action, k.value);
      else if (k.name == "SUBSYSTEM") found = Matches(device.env["SUBSYSTEM"], k.value);
      else if (k.name == "KERNEL") found = Matches(device.env["KERNEL"], k.value);
      else if (k.name.starts_with("ENV{")) found = Matches(device.env[Inside(k.name)], k.value);
      else if (k.name.starts_with("ATTR{")) {
        const auto it = device.attrs.find(Inside(k.name));
        found = it != device.attrs.end() && Matches(it->second, k.value);
      } else if (k.name.starts_with("ATTRS{") && k.op == "==") {
        std::vector<std::map<std::string, std::string>> chain = {device.attrs};
        chain.insert(chain.end(), device.parents.begin(), device.parents.end());
        for (const auto& attrs : chain) {
          const auto it = attrs.find(Inside(k.name));
          found = found || (it != attrs.end() && Matches(it->second, k.value));
        }
      } else {
        ADD_FAILURE() << "the test does not know the key " << k.name << k.op;
      }
      if (found != (k.op == "==")) match = false;
    }
    if (!match) continue;
    for (const Key* k : actions) {
      if (k->name == "GOTO") go_to = k->value;
      else if (k->name == "LABEL") {
      } else if (k->name == "TAG" && k->op == "+=") tags.push_back(k->value);
      else if (k->name == "IMPORT{builtin}" && k->value == "usb_id") {
        for (const auto& [key, value] : device.usb_id) device.env[key] = value;
      } else {
        ADD_FAILURE() << "the test does not know the action " << k->name << k->op << "\"" << k->value << "\"";
      }
    }
    if (!go_to.empty()) {
      size_t target = rules.size();
      for (size_t t = r + 1; t < rules.size(); ++t) {
        if (!rules[t].empty() && rules[t][0].name == "LABEL" && rules[t][0].value == go_to) target = t;
      }
      EXPECT_LT(target, rules.size()) << "no LABEL " << go_to << " after the GOTO";
      r = target;  // the loop moves past the label
    }
  }
  return tags;
}

const std::map<std::string, std::string> kUsbDevice0c45 = {{"idVendor", "0c45"}};

Device Hidraw(const std::string& name, const std::string& product, const std::string& interfaces,
              const std::string& interface_protocol) {
  Device d;
  d.name = name;
  d.env = {{"SUBSYSTEM", "hidraw"}, {"DEVNAME", "/dev/hidraw3"}};
  // hid device, usb_interface, usb_device
  d.parents = {{{"country", "00"}},
               {{"bInterfaceClass", "03"}, {"bInterfaceProtocol", interface_protocol}},
               {{"idVendor", "0c45"}, {"idProduct", product}}};
  d.usb_id = {{"ID_VENDOR_ID", "0c45"}, {"ID_MODEL_ID", product}, {"ID_USB_INTERFACES", interfaces}};
  return d;
}

Device UsbDevice(const std::string& name, const std::string& vendor, const std::string& product,
                 const std::string& interfaces) {
  Device d;
  d.name = name;
  d.env = {{"SUBSYSTEM", "usb"}, {"DEVTYPE", "usb_device"}, {"DEVNAME", "/dev/bus/usb/001/004"},
           {"ID_VENDOR_ID", vendor}, {"ID_MODEL_ID", product}, {"ID_USB_INTERFACES", interfaces}};
  d.attrs = {{"idVendor", vendor}, {"idProduct", product}, {"bDeviceClass", "00"}};
  d.usb_id = {{"ID_VENDOR_ID", vendor}, {"ID_USB_INTERFACES", interfaces}};
  return d;
}

TEST(UdevRule, TagsTheMiceOnlyAndNeverAKeyboardOrAWebcam) {
  const std::string rule = std::string(HALVRIC_SOURCE_DIR) + "/packaging/70-halvric.rules";
  struct Case {
    Device device;
    bool tagged;
  };
  // Interface lists as the devices report them: ":ccsspp:" per interface.
  const std::string short_mouse = ":030102:030000:";
  const std::string long_mouse = ":030102:030000:030000:";
  const std::string keyboard = ":030101:030000:";
  const std::string webcam = ":0e0100:0e0200:010100:010200:030000:";
  Device wrong_vendor = Hidraw("hidraw of another vendor", "c077", ":030102:", "02");
  wrong_vendor.parents.back()["idVendor"] = "046d";
  wrong_vendor.usb_id["ID_VENDOR_ID"] = "046d";
  Device removed = Hidraw("mouse hidraw, removed", "7e05", short_mouse, "02");
  removed.action = "remove";
  Device interface = UsbDevice("USB interface of the mouse", "0c45", "7e05", short_mouse);
  interface.env["DEVTYPE"] = "usb_interface";
  const std::vector<Case> cases = {
      {Hidraw("short mouse, interface 0", "7e05", short_mouse, "02"), true},
      {Hidraw("short mouse, vendor interface 1", "7e05", short_mouse, "00"), true},
      {Hidraw("long mouse, vendor interface 2", "7e15", long_mouse, "00"), true},
      {UsbDevice("short mouse, USB device node", "0c45", "7e05", short_mouse), true},
      {UsbDevice("long mouse, USB device node", "0c45", "7e15", long_mouse), true},
      {Hidraw("keyboard, boot interface", "760b", keyboard, "01"), false},
      {Hidraw("keyboard, its other HID interface", "760b", keyboard, "00"), false},
      {UsbDevice("keyboard, USB device node", "0c45", "760b", keyboard), false},
      {Hidraw("webcam, its button interface", "6366", webcam, "00"), false},
      {UsbDevice("webcam, USB device node", "0c45", "6366", webcam), false},
      {UsbDevice("card reader of the vendor (no HID)", "0c45", "6200", ":080650:"), false},
      {UsbDevice("mouse of another vendor", "046d", "c077", ":030102:"), false},
      {wrong_vendor, false},
      {removed, false},
      {interface, false},
  };
  for (const Case& c : cases) {
    const std::vector<std::string> tags = Apply(rule, c.device);
    EXPECT_EQ(tags, c.tagged ? std::vector<std::string>{"uaccess"} : std::vector<std::string>{}) << c.device.name;
  }
}

// The uinput rule tags /dev/uinput for the seat's user and no other node of the misc class.
TEST(UdevRule, UinputRuleTagsOnlyTheUinputNode) {
  const std::string rule = std::string(HALVRIC_SOURCE_DIR) + "/packaging/70-halvric-uinput.rules";
  auto misc = [](const std::string& kernel) {
    Device d;
    d.name = kernel;
    d.env = {{"SUBSYSTEM", "misc"}, {"KERNEL", kernel}, {"DEVNAME", "/dev/" + kernel}};
    return d;
  };
  EXPECT_EQ(Apply(rule, misc("uinput")), std::vector<std::string>{"uaccess"});
  for (const char* other : {"uhid", "fuse", "rfkill", "vhost-net", "uinput2"}) {
    EXPECT_TRUE(Apply(rule, misc(other)).empty()) << other;
  }
  Device removed = misc("uinput");
  removed.action = "remove";
  EXPECT_TRUE(Apply(rule, removed).empty());
  Device input = misc("uinput");
  input.env["SUBSYSTEM"] = "input";
  EXPECT_TRUE(Apply(rule, input).empty());
}

TEST(UdevRule, GivesAccessOnlyThroughTheSeat) {
  for (const char* file : {"/packaging/70-halvric.rules", "/packaging/70-halvric-uinput.rules"}) {
    std::ifstream in(std::string(HALVRIC_SOURCE_DIR) + file);
    ASSERT_TRUE(in.good()) << file;
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      for (const char* forbidden : {"MODE", "GROUP", "OWNER", "RUN", "PROGRAM"}) {
        EXPECT_EQ(line.find(forbidden), std::string::npos) << file << ": " << line;
      }
    }
  }
}

}  // namespace

#include "sim/sim_console.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "sim/simulator.h"

namespace {

const char kUsage[] =
    "usage: ruvemo-sim [PRODUCT...] [--receiver] [--state FILE] [--timing on|off]\n"
    "                  [--receiver-interval MS] [--bus DIR] [--trace FILE]\n"
    "\n"
    "Stands in for the Brivo75 devices on the virtual HID bus until SIGINT or\n"
    "SIGTERM (or the command quit); the nodes are removed on the way out.\n"
    "\n"
    "  PRODUCT               keyboard, mouse, pad, headset: plugged in at start\n"
    "  --receiver            keyboard and mouse come through their 2.4 GHz receivers\n"
    "  --state FILE          keep device memory in FILE across runs (default: memory only)\n"
    "  --timing on|off       one report per ms on the cable, slower through a receiver\n"
    "                        (default on)\n"
    "  --receiver-interval MS  report interval through a receiver (default 4)\n"
    "  --bus DIR             bus folder (default $RUVEMO_VHID_DIR, $XDG_RUNTIME_DIR/ruvemo-vhid\n"
    "                        or /tmp/ruvemo-vhid-<uid>); made with mode 0700 when missing,\n"
    "                        refused unless it is your own real folder that nobody else\n"
    "                        may write to\n"
    "  --trace FILE          write one line per report the devices take from the host:\n"
    "                        wall-clock seconds, product, cable|receiver, kind, size,\n"
    "                        report id and command byte in hex\n"
    "\n"
    "Commands on standard input, one a line (numbers decimal or 0x hexadecimal):\n"
    "  plug PRODUCT                 plug in (by cable, or by receiver after 'receiver')\n"
    "  unplug PRODUCT               pull cable and receiver\n"
    "  cable PRODUCT                keyboard or mouse: plug the cable (receiver stays)\n"
    "  receiver PRODUCT             keyboard or mouse: through the receiver, cable pulled\n"
    "  receiver-plug PRODUCT on|off keyboard or mouse: plug or pull the receiver alone\n"
    "  reach PRODUCT on|off         whether the device answers behind its receiver\n"
    "  event PRODUCT CODE           send a device event (1025, 1026, 0x1123, 0x512 ...)\n"
    "  battery PRODUCT LEVEL [charging]  set the status block's battery\n"
    "  phone TYPE                   phone on the pad: 0 none, 1 iPhone, 2 Samsung, 3 other\n"
    "  fault PRODUCT KIND [cmd=C] [skip=N] [times=N] [status=S] [ms=N] [then-correct]\n"
    "                               KIND: noreply, echo (wrong echo), status (default\n"
    "                               0xFF), delay (ms=), remove (node pulled), clear;\n"
    "                               skip=N strikes the (N+1)-th watched report,\n"
    "                               times=-1 every one from then on\n"
    "  dump PRODUCT AREA [OFFSET [LENGTH]]  memory in hex; AREA: info, parameters,\n"
    "                               key_table, fn_key_table, led_index, light_tables,\n"
    "                               macro, shoot, status, frame (last light frame)\n"
    "  show                         connections, packets and frames of every product\n"
    "  flush                        write the state file now\n"
    "  help                         this text\n"
    "  quit                         remove the devices and end\n";

bool ParseNumber(const std::string& text, long& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtol(text.c_str(), &end, 0);
  return end != nullptr && *end == '\0';
}

bool ParseOnOff(const std::string& text, bool& value) {
  if (text == "on" || text == "1" || text == "yes") return value = true, true;
  if (text == "off" || text == "0" || text == "no") return value = false, true;
  return false;
}

std::string HexDump(const std::vector<uint8_t>& bytes, size_t offset, size_t length) {
  std::string out;
  char line[32];
  const size_t end = std::min(bytes.size(), offset + length);
  for (size_t row = offset; row < end; row += 16) {
    std::snprintf(line, sizeof(line), "%04zx:", row);
    out += line;
    for (size_t i = row; i < std::min(end, row + 16); ++i) {
      std::snprintf(line, sizeof(line), " %02x", bytes[i]);
      out += line;
    }
    out += "\n";
  }
  return out;
}

}  // namespace

std::string SimUsageText() { return kUsage; }

std::string CSimConsole::Execute(const std::string& line, bool& quit) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  if (words.empty() || words[0][0] == '#') return {};
  const std::string& verb = words[0];
  auto error = [](const std::string& text) { return "error: " + text + "\n"; };

  if (verb == "quit" || verb == "exit") {
    quit = true;
    return {};
  }
  if (verb == "help") return kUsage;
  if (verb == "flush") return sim_.Flush() ? "ok\n" : error("state file not written");
  if (verb == "phone") {
    long type;
    if (words.size() != 2 || !ParseNumber(words[1], type)) return error("phone TYPE");
    sim_.SetPhoneOnPad(static_cast<uint8_t>(type));
    return "ok\n";
  }
  if (verb == "show") {
    std::string out;
    char text[200];
    for (SimProduct p : kAllSimProducts) {
      std::snprintf(
          text, sizeof(text), "%-8s cable %s (%zu) receiver %s (%zu) packets %llu frames %llu\n",
          std::string(SimProductName(p)).c_str(), sim_.CablePlugged(p) ? "in " : "out",
          sim_.ConnectionCount(p, false), sim_.ReceiverPlugged(p) ? "in " : "out",
          sim_.ConnectionCount(p, true), static_cast<unsigned long long>(sim_.PacketsReceived(p)),
          static_cast<unsigned long long>(p == SimProduct::Headset ? sim_.HeadsetFrameCount()
                                                                   : sim_.LightFrameCount(p)));
      out += text;
    }
    return out;
  }

  if (words.size() < 2) return error("unknown command or missing product: " + line);
  const auto product = SimProductFromName(words[1]);
  if (!product) return error("unknown product " + words[1]);

  if (verb == "plug") return sim_.Plug(*product) ? "ok\n" : error("could not publish the node");
  if (verb == "unplug") {
    sim_.Unplug(*product);
    return "ok\n";
  }
  if (verb == "cable" || verb == "receiver") {
    return sim_.SetConnection(*product, verb == "receiver") ? "ok\n"
                                                            : error("no receiver for this product");
  }
  if (verb == "receiver-plug" || verb == "reach") {
    bool on;
    if (words.size() != 3 || !ParseOnOff(words[2], on)) return error(verb + " PRODUCT on|off");
    if (!SimProductHasReceiver(*product)) return error("no receiver for this product");
    if (verb == "reach") {
      sim_.SetReachable(*product, on);
      return "ok\n";
    }
    return sim_.SetReceiverPlugged(*product, on) ? "ok\n" : error("could not publish the node");
  }
  if (verb == "event") {
    long code;
    if (words.size() != 3 || !ParseNumber(words[2], code) || code < 0 || code > 0xFFFF)
      return error("event PRODUCT CODE");
    return sim_.SendEvent(*product, static_cast<uint16_t>(code)) ? "ok\n"
                                                                 : error("event not delivered");
  }
  if (verb == "battery") {
    long level;
    if (words.size() < 3 || !ParseNumber(words[2], level) || level < 0 || level > 100)
      return error("battery PRODUCT LEVEL [charging]");
    sim_.SetBattery(*product, static_cast<uint8_t>(level),
                    words.size() > 3 && words[3] == "charging");
    return "ok\n";
  }
  if (verb == "fault") {
    if (words.size() < 3) return error("fault PRODUCT KIND ...");
    SimFault fault;
    const std::string& kind = words[2];
    if (kind == "clear") {
      sim_.ClearFaults(*product);
      return "ok\n";
    }
    if (kind == "noreply")
      fault.kind = SimFault::Kind::NoReply;
    else if (kind == "echo")
      fault.kind = SimFault::Kind::WrongEcho;
    else if (kind == "status")
      fault.kind = SimFault::Kind::Status;
    else if (kind == "delay")
      fault.kind = SimFault::Kind::Delay;
    else if (kind == "remove")
      fault.kind = SimFault::Kind::Remove;
    else
      return error("unknown fault " + kind);
    for (size_t i = 3; i < words.size(); ++i) {
      const std::string& w = words[i];
      if (w == "then-correct") {
        fault.thenCorrect = true;
        continue;
      }
      const size_t eq = w.find('=');
      long value;
      if (eq == std::string::npos || !ParseNumber(w.substr(eq + 1), value))
        return error("bad fault option " + w);
      const std::string key = w.substr(0, eq);
      if (key == "cmd")
        fault.command = static_cast<int>(value);
      else if (key == "skip" && value >= 0)
        fault.skip = static_cast<unsigned>(value);
      else if (key == "times")
        fault.times = static_cast<int>(value);
      else if (key == "status")
        fault.status = static_cast<uint8_t>(value);
      else if (key == "ms" && value >= 0)
        fault.delayMs = static_cast<unsigned>(value);
      else
        return error("bad fault option " + w);
    }
    sim_.InjectFault(*product, fault);
    return "ok\n";
  }
  if (verb == "dump") {
    if (words.size() < 3) return error("dump PRODUCT AREA [OFFSET [LENGTH]]");
    std::vector<uint8_t> bytes;
    if (words[2] == "frame") {
      bytes =
          *product == SimProduct::Headset ? sim_.HeadsetLastFrame() : sim_.LastLightFrame(*product);
    } else {
      const auto area = SimAreaFromName(words[2]);
      if (!area) return error("unknown area " + words[2]);
      bytes = sim_.Memory(*product, *area);
    }
    long offset = 0, length = static_cast<long>(bytes.size());
    if (words.size() > 3 && (!ParseNumber(words[3], offset) || offset < 0))
      return error("bad offset");
    if (words.size() > 4 && (!ParseNumber(words[4], length) || length < 0))
      return error("bad length");
    if (bytes.empty()) return error("this product has no such area");
    return HexDump(bytes, static_cast<size_t>(offset), static_cast<size_t>(length));
  }
  return error("unknown command " + verb);
}

#include "sim/simulator.h"

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <json/json.h>

#include "platform/data_paths.h"
#include "platform/debug_output.h"
#include "platform/usb_ids.h"
#include "sim/report_descriptors.h"

namespace {

constexpr int kCable = 0;
constexpr int kReceiver = 1;

VhidNodeInfo NodeInfo(SimProduct product, int which) {
  VhidNodeInfo info;
  info.reportDescriptor = SimFourCollectionDescriptor();
  info.interfaceNumber = 1;
  switch (product) {
    case SimProduct::Keyboard:
      info.vendorId = kBrivoVendorId;
      info.productId = which == kCable ? kKeyboardProductId : kKeyboardReceiverProductId;
      info.version = which == kCable ? 0x0105 : 0x0100;
      info.name = which == kCable ? "Brivo75 Keyboard" : "Brivo75 Keyboard Receiver";
      break;
    case SimProduct::Mouse:
      info.vendorId = which == kCable ? kMouseVendorId : kBrivoVendorId;
      info.productId = which == kCable ? kMouseProductId : kMouseReceiverProductId;
      info.version = which == kCable ? 0x0212 : 0x0100;
      info.name = which == kCable ? "Brivo75 Mouse" : "Brivo75 Mouse Receiver";
      break;
    case SimProduct::Pad:
      info.vendorId = kBrivoVendorId;
      info.productId = kMousePadProductId;
      info.version = 0x0103;
      info.name = "Brivo75 Mouse Pad";
      break;
    case SimProduct::Headset:
      info.vendorId = kHeadsetVendorId;
      info.productId = kHeadsetProductId;
      info.version = 0x0107;
      info.interfaceNumber = 3;
      info.name = "Brivo75 Headset";
      info.reportDescriptor = SimHeadsetDescriptor();
      break;
  }
  return info;
}

SimReport ReplyTo(const uint8_t* request, size_t size, uint8_t command, uint8_t status) {
  SimReport reply{};
  reply[0] = kSimCommandReportId;
  reply[3] = command;
  for (size_t i = 4; i < 7 && i < size; ++i) reply[i] = request[i];
  reply[7] = status;
  const uint16_t sum = SimChecksum(reply.data());
  reply[1] = static_cast<uint8_t>(sum & 0xFF);
  reply[2] = static_cast<uint8_t>(sum >> 8);
  return reply;
}

bool WriteTextAtomically(const std::string& path, const std::string& text) {
  const std::string temp = path + ".tmp" + std::to_string(::getpid());
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << text;
    out.flush();
    if (!out) {
      std::remove(temp.c_str());
      return false;
    }
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace

CSimulator::CSimulator(SimulatorOptions options) : options_(std::move(options)) {
  busFolder_ = options_.busFolder.empty() ? VhidBusFolder() : options_.busFolder;
  for (SimProduct product : kAllSimProducts)
    P(product).device = std::make_unique<CSimDevice>(product);
  LoadState();
  if (!options_.traceFile.empty()) {
    trace_ = std::fopen(options_.traceFile.c_str(), "we");
    if (trace_ == nullptr) {
      traceFailed_ = true;
      DebugOutputF("sim: cannot open the trace file %s", options_.traceFile.c_str());
    }
  }
}

CSimulator::~CSimulator() {
  NodeList retired;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (SimProduct product : kAllSimProducts) {
      P(product).cable = P(product).receiver = false;
      Reconcile(product, retired);
    }
    SaveLocked();
    for (auto& node : graveyard_) retired.push_back(std::move(node));
    graveyard_.clear();
  }
  retired.clear();  // joins the node threads outside the lock
  if (trace_ != nullptr) std::fclose(trace_);
}

bool CSimulator::TraceReady() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return !traceFailed_;
}

void CSimulator::TraceLocked(SimProduct product, int which, uint8_t kind, const uint8_t* data,
                             size_t size) {
  if (trace_ == nullptr) return;
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const char* kindName = kind == kVhidOutputReport      ? "output"
                         : kind == kVhidSetOutputReport ? "set-output"
                                                        : nullptr;
  char kindText[8];
  if (kindName == nullptr) {
    std::snprintf(kindText, sizeof(kindText), "%02x", kind);
    kindName = kindText;
  }
  char reportId[4] = "--", command[4] = "--";
  if (size > 0) std::snprintf(reportId, sizeof(reportId), "%02x", data[0]);
  if (size >= 4) std::snprintf(command, sizeof(command), "%02x", data[3]);
  const int written =
      std::fprintf(trace_, "%lld.%06ld %s %s %s %zu %s %s\n", static_cast<long long>(now.tv_sec),
                   now.tv_nsec / 1000, std::string(SimProductName(product)).c_str(),
                   which == kCable ? "cable" : "receiver", kindName, size, reportId, command);
  // Flushed line by line: whoever reads the trace sees a report as soon as
  // the device took it.
  if (written < 0 || std::fflush(trace_) != 0) {
    DebugOutputF("sim: trace file %s not written; tracing stops", options_.traceFile.c_str());
    std::fclose(trace_);
    trace_ = nullptr;
    traceFailed_ = true;
  }
}

std::string CSimulator::Stem(SimProduct product, int which) const {
  std::string stem = options_.stemPrefix + "-" + std::string(SimProductName(product));
  if (which == kReceiver) stem += "-receiver";
  return stem;
}

std::string CSimulator::SocketPath(SimProduct product, bool receiver) const {
  return busFolder_ + "/" + Stem(product, receiver ? kReceiver : kCable) + ".sock";
}

bool CSimulator::StartLink(SimProduct product, int which) {
  Link& link = P(product).links[which];
  auto gone = std::make_shared<std::atomic<bool>>(false);
  auto node = std::make_unique<CVhidNode>(
      busFolder_, Stem(product, which), NodeInfo(product, which),
      [this, product, which, gone](uint8_t kind, const uint8_t* data, size_t size) {
        OnHostMessage(product, which, gone, kind, data, size);
      });
  if (!node->Start()) {
    DebugOutputF("sim: cannot publish %s", Stem(product, which).c_str());
    return false;
  }
  link.node = std::move(node);
  link.gone = gone;
  link.nextOut = link.nextIn = {};
  return true;
}

void CSimulator::RetireLocked(SimProduct product, int which, NodeList& retired) {
  Link& link = P(product).links[which];
  if (!link.node) return;
  link.gone->store(true);
  wake_.notify_all();
  retired.push_back(std::move(link.node));
}

bool CSimulator::Reconcile(SimProduct product, NodeList& retired) {
  Product& p = P(product);
  if (!SimProductHasReceiver(product)) p.receiver = false;
  bool ok = true;
  const bool wanted[2] = {p.cable, p.receiver};
  for (int which = 0; which < 2; ++which) {
    if (wanted[which] && !p.links[which].node) {
      if (!StartLink(product, which)) {
        ok = false;
        (which == kCable ? p.cable : p.receiver) = false;
      }
    } else if (!wanted[which] && p.links[which].node) {
      RetireLocked(product, which, retired);
    }
  }
  p.device->SetWireless(!p.cable && p.receiver);
  if (!p.cable && !p.receiver && p.device->HasUnsavedWrites()) SaveLocked();
  return ok;
}

bool CSimulator::Plug(SimProduct product) {
  NodeList retired;
  bool ok;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Product& p = P(product);
    if (SimProductHasReceiver(product) && p.preferReceiver)
      p.receiver = true;
    else
      p.cable = true;
    ok = Reconcile(product, retired);
    for (auto& node : graveyard_) retired.push_back(std::move(node));
    graveyard_.clear();
  }
  return ok;
}

void CSimulator::Unplug(SimProduct product) {
  NodeList retired;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    P(product).cable = P(product).receiver = false;
    Reconcile(product, retired);
    for (auto& node : graveyard_) retired.push_back(std::move(node));
    graveyard_.clear();
  }
}

bool CSimulator::SetConnection(SimProduct product, bool viaReceiver) {
  if (!SimProductHasReceiver(product)) return false;
  NodeList retired;
  std::lock_guard<std::mutex> lock(mutex_);
  Product& p = P(product);
  p.preferReceiver = viaReceiver;
  if (!p.cable && !p.receiver) return true;
  if (viaReceiver) {
    p.receiver = true;
    p.cable = false;
  } else {
    p.cable = true;
  }
  const bool ok = Reconcile(product, retired);
  // Nodes are joined when `retired` goes, after the lock: declared first.
  return ok;
}

bool CSimulator::SetReceiverPlugged(SimProduct product, bool plugged) {
  if (!SimProductHasReceiver(product)) return false;
  NodeList retired;
  std::lock_guard<std::mutex> lock(mutex_);
  P(product).receiver = plugged;
  return Reconcile(product, retired);
}

void CSimulator::SetReachable(SimProduct product, bool reachable) {
  std::lock_guard<std::mutex> lock(mutex_);
  P(product).reachable = reachable;
}

bool CSimulator::SendEvent(SimProduct product, uint16_t code) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (product == SimProduct::Headset) return false;
  Product& p = P(product);
  int which = -1;
  if (p.cable)
    which = kCable;
  else if (p.receiver && p.reachable)
    which = kReceiver;
  if (which < 0 || !p.links[which].node) return false;
  p.device->ApplyEvent(code);
  if (p.device->CommitPending()) SaveLocked();
  const uint8_t report[3] = {kSimEventReportId, static_cast<uint8_t>(code & 0xFF),
                             static_cast<uint8_t>(code >> 8)};
  return p.links[which].node->SendInput(report, sizeof(report));
}

void CSimulator::SetBattery(SimProduct product, uint8_t level, bool charging) {
  std::lock_guard<std::mutex> lock(mutex_);
  P(product).device->SetBattery(level, charging);
}

void CSimulator::SetPhoneOnPad(uint8_t type) {
  std::lock_guard<std::mutex> lock(mutex_);
  P(SimProduct::Pad).device->SetPhoneOnPad(type);
}

void CSimulator::InjectFault(SimProduct product, SimFault fault) {
  std::lock_guard<std::mutex> lock(mutex_);
  P(product).faults.push_back(fault);
}

void CSimulator::ClearFaults(SimProduct product) {
  std::lock_guard<std::mutex> lock(mutex_);
  P(product).faults.clear();
  wake_.notify_all();
}

bool CSimulator::WaitSlot(std::unique_lock<std::mutex>& lock,
                          std::chrono::steady_clock::time_point& slot, int which,
                          const std::shared_ptr<std::atomic<bool>>& gone) {
  if (!options_.timing) return !gone->load();
  const auto interval =
      std::chrono::milliseconds(which == kCable ? 1 : std::max(1u, options_.receiverIntervalMs));
  if (slot > std::chrono::steady_clock::now())
    wake_.wait_until(lock, slot, [&] { return gone->load(); });
  if (gone->load()) return false;
  slot = std::max(std::chrono::steady_clock::now(), slot) + interval;
  return true;
}

void CSimulator::Send(Link& link, const SimReport& reply) {
  if (link.node) link.node->SendInput(reply.data(), reply.size());
}

void CSimulator::OnHostMessage(SimProduct product, int which,
                               const std::shared_ptr<std::atomic<bool>>& gone, uint8_t kind,
                               const uint8_t* data, size_t size) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (gone->load()) return;
  Product& p = P(product);
  Link& link = p.links[which];
  ++p.packets;
  if (!WaitSlot(lock, link.nextOut, which, gone)) return;
  TraceLocked(product, which, kind, data, size);

  if (product == SimProduct::Headset && kind == kVhidSetOutputReport && size > 0 &&
      data[0] == 0x00) {
    if (!p.device->HandleLightReport(data, size))
      DebugOutputF("sim headset: light report of %zu bytes ignored", size);
    return;
  }
  if (size < 4 || data[0] != kSimCommandReportId) return;  // e.g. the keyboard's LED report
  const uint8_t command = data[3];
  ++p.commands[command];

  // A fault on the link strikes before the receiver or the device sees the report.
  SimFault strike;
  bool struck = false;
  for (auto it = p.faults.begin(); it != p.faults.end(); ++it) {
    if (it->command >= 0 && it->command != command) continue;
    if (it->skip > 0) {
      --it->skip;
      break;
    }
    strike = *it;
    struck = true;
    if (it->times > 0 && --it->times == 0) p.faults.erase(it);
    break;
  }
  if (struck) {
    switch (strike.kind) {
      case SimFault::Kind::NoReply:
        return;
      case SimFault::Kind::Status: {
        if (!WaitSlot(lock, link.nextIn, which, gone)) return;
        Send(link, ReplyTo(data, size, command, strike.status));
        return;
      }
      case SimFault::Kind::Remove: {
        DebugOutputF("sim %s: %s pulled during command %02x",
                     std::string(SimProductName(product)).c_str(),
                     which == kCable ? "cable" : "receiver", command);
        (which == kCable ? p.cable : p.receiver) = false;
        gone->store(true);
        link.node->Remove();  // on the node's own thread: joined later
        graveyard_.push_back(std::move(link.node));
        p.device->SetWireless(!p.cable && p.receiver);
        if (p.device->HasUnsavedWrites()) SaveLocked();
        wake_.notify_all();
        return;
      }
      case SimFault::Kind::Delay:
        wake_.wait_for(lock, std::chrono::milliseconds(strike.delayMs),
                       [&] { return gone->load(); });
        if (gone->load()) return;
        break;
      case SimFault::Kind::WrongEcho:
        break;
    }
  }

  SimReport reply;
  if (which == kReceiver && command == 0xAA) {
    // The receiver answers the link query itself.
    reply = ReplyTo(data, size, 0xAA, 0x01);
    reply[8] = (!p.cable && p.reachable) ? 0xFF : 0x00;
    const uint16_t sum = SimChecksum(reply.data());
    reply[1] = static_cast<uint8_t>(sum & 0xFF);
    reply[2] = static_cast<uint8_t>(sum >> 8);
  } else if (which == kReceiver && (p.cable || !p.reachable)) {
    reply = ReplyTo(data, size, 0xAA, 0x00);  // no device behind the receiver
    reply[4] = reply[5] = reply[6] = 0;
  } else {
    reply = p.device->Execute(data, size);
  }
  if (struck && strike.kind == SimFault::Kind::WrongEcho) {
    SimReport wrong = reply;
    wrong[3] = command == 0xEA ? 0xEB : static_cast<uint8_t>(command ^ 0x40);
    if (!WaitSlot(lock, link.nextIn, which, gone)) return;
    Send(link, wrong);
    if (!strike.thenCorrect) return;
  }
  if (!WaitSlot(lock, link.nextIn, which, gone)) return;
  Send(link, reply);
  if (p.device->CommitPending()) SaveLocked();
}

bool CSimulator::CablePlugged(SimProduct product) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return P(product).cable;
}

bool CSimulator::ReceiverPlugged(SimProduct product) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return P(product).receiver;
}

std::vector<uint8_t> CSimulator::Memory(SimProduct product, SimArea area) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return P(product).device->Memory().Area(area);
}

bool CSimulator::SetMemory(SimProduct product, SimArea area, size_t offset,
                           const std::vector<uint8_t>& bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto& target = P(product).device->Memory().Area(area);
  if (offset + bytes.size() > target.size()) return false;
  std::copy(bytes.begin(), bytes.end(), target.begin() + static_cast<long>(offset));
  return true;
}

std::vector<uint8_t> CSimulator::LastLightFrame(SimProduct product) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return P(product).device->LastLightFrame();
}

uint64_t CSimulator::LightFrameCount(SimProduct product) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return P(product).device->LightFrameCount();
}

uint64_t CSimulator::SoftwareLightingRequests(SimProduct product) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return P(product).device->SoftwareLightingRequests();
}

std::vector<uint8_t> CSimulator::HeadsetLastFrame() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return P(SimProduct::Headset).device->HeadsetLastFrame();
}

uint64_t CSimulator::HeadsetFrameCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return P(SimProduct::Headset).device->HeadsetFrameCount();
}

uint64_t CSimulator::PacketsReceived(SimProduct product) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return P(product).packets;
}

uint64_t CSimulator::CommandsReceived(SimProduct product, uint8_t command) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto& commands = P(product).commands;
  const auto it = commands.find(command);
  return it == commands.end() ? 0 : it->second;
}

size_t CSimulator::ConnectionCount(SimProduct product, bool receiver) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const Link& link = P(product).links[receiver ? kReceiver : kCable];
  return link.node ? link.node->ConnectionCount() : 0;
}

bool CSimulator::Flush() {
  std::lock_guard<std::mutex> lock(mutex_);
  return SaveLocked();
}

bool CSimulator::SaveLocked() {
  for (SimProduct product : kAllSimProducts) P(product).device->MarkSaved();
  if (options_.stateFile.empty()) return true;
  Json::Value root(Json::objectValue);
  for (SimProduct product : kAllSimProducts)
    root[std::string(SimProductName(product))] = P(product).device->Memory().ToJson();
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "  ";
  if (!WriteTextAtomically(options_.stateFile, Json::writeString(builder, root) + "\n")) {
    DebugOutputF("sim: cannot write state file %s", options_.stateFile.c_str());
    return false;
  }
  return true;
}

void CSimulator::LoadState() {
  if (options_.stateFile.empty()) return;
  std::ifstream in(options_.stateFile, std::ios::binary);
  if (!in) return;
  Json::Value root;
  std::string errors;
  if (!Json::parseFromStream(Json::CharReaderBuilder(), in, &root, &errors) || !root.isObject()) {
    DebugOutputF("sim: state file %s unreadable, starting from factory state",
                 options_.stateFile.c_str());
    return;
  }
  for (SimProduct product : kAllSimProducts) {
    const std::string name(SimProductName(product));
    if (root.isMember(name)) P(product).device->Memory().FromJson(root[name]);
  }
}

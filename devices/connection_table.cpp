// The connection table and the decisions of its handlers.

#include "devices/connection_table.h"

#include "devices/device_kind.h"

CConnectionTable::CConnectionTable() : rows_(MakeConnectionTable()) {}

void CConnectionTable::Release(int index) {
  if (!Contains(index)) return;
  InterfaceEntry& row = rows_[static_cast<size_t>(index)];
  row.claimed = 0;
  row.path.clear();
}

std::vector<int> CConnectionTable::ClaimedRows() const {
  std::vector<int> claimed;
  for (int i = 0; i < Size(); ++i)
    if (Row(i).claimed != 0) claimed.push_back(i);
  return claimed;
}

bool CConnectionTable::PartnerStillClaimed(int index) const {
  if (!Contains(index)) return false;
  const InterfaceEntry& row = Row(index);
  if (row.hasPartner == 0 || !Contains(row.partnerIndex)) return false;
  const InterfaceEntry& partner = Row(row.partnerIndex);
  return partner.claimed != 0 && !partner.path.empty() && partner.partnerIndex == index;
}

namespace {

bool InTable(const ConnectionTable& table, int index) {
  return index >= 0 && static_cast<size_t>(index) < table.size();
}

bool IsPairedKind(uint16_t kind) {
  return kind == kKindKeyboard || kind == kKindMouse || IsReceiverKind(kind);
}

}  // namespace

InterfaceEntry IdentityOfPath(const std::string& path) {
  InterfaceEntry identity;
  identity.vendorId = ParseVid(path);
  identity.productId = ParsePid(path);
  identity.interfaceNumber = ParseInterfaceNumber(path);
  identity.collectionNumber = ParseCollectionNumber(path);
  identity.path = path;
  return identity;
}

int PageSourceRow(const ConnectionTable& table, int index) {
  if (!InTable(table, index)) return -1;
  const InterfaceEntry& row = table[static_cast<size_t>(index)];
  return FindCommandRow(row.vendorId, row.productId, row.kind, kRoleCommand);
}

int DeviceIdentityRow(const ConnectionTable& table, int index) {
  if (!InTable(table, index)) return -1;
  const InterfaceEntry& row = table[static_cast<size_t>(index)];
  if (row.role == kRoleEvent) {
    const int command = PageSourceRow(table, index);
    if (!InTable(table, command)) return -1;
    const InterfaceEntry& commandRow = table[static_cast<size_t>(command)];
    if (IsReceiverKind(row.kind) && commandRow.hasPartner != 0 &&
        InTable(table, commandRow.partnerIndex))
      return commandRow.partnerIndex;
    return command;
  }
  if (IsReceiverKind(row.kind) && row.hasPartner != 0 && InTable(table, row.partnerIndex) &&
      table[row.partnerIndex].partnerIndex == index)
    return row.partnerIndex;
  return index;
}

ArrivalPlan PlanArrival(const CConnectionTable& table, int index) {
  ArrivalPlan plan;
  if (!table.Contains(index)) return plan;
  const InterfaceEntry& row = table.Row(index);
  plan.identityRow = DeviceIdentityRow(table.Rows(), index);
  plan.pageSourceRow = PageSourceRow(table.Rows(), index);
  plan.record = IsReceiverKind(row.kind) ? ChannelRecord::Receiver : ChannelRecord::Wired;
  if (row.role == kRoleEvent) {
    plan.action = ArrivalAction::OpenEventListener;
    return plan;
  }
  if (IsPairedKind(row.kind)) {
    if (table.PartnerStillClaimed(index)) {
      plan.action =
          IsReceiverKind(row.kind) ? ArrivalAction::None : ArrivalAction::SwitchConnection;
      return plan;
    }
    plan.connectionMode = IsReceiverKind(row.kind) ? 2 : 1;
    plan.showTab = !IsReceiverKind(row.kind);
  } else {
    plan.showTab = true;  // pad and headset: no receiver, no connection mode
  }
  plan.action = ArrivalAction::OpenChannel;
  return plan;
}

RemovalPlan PlanRemoval(const CConnectionTable& table, int index) {
  RemovalPlan plan;
  if (!table.Contains(index)) return plan;
  const InterfaceEntry& row = table.Row(index);
  plan.identityRow = DeviceIdentityRow(table.Rows(), index);
  plan.record = IsReceiverKind(row.kind) ? ChannelRecord::Receiver : ChannelRecord::Wired;
  if (row.role == kRoleEvent) {
    plan.action = RemovalAction::CloseEventListener;
    return plan;
  }
  if (IsPairedKind(row.kind)) {
    plan.lostMessage = WiredKindOf(row.kind) == kKindKeyboard ? "键盘设备丢失" : "鼠标设备丢失";
    if (table.PartnerStillClaimed(index)) {
      plan.action =
          IsReceiverKind(row.kind) ? RemovalAction::None : RemovalAction::SwitchConnection;
      return plan;
    }
  }
  plan.action = RemovalAction::CloseChannel;
  return plan;
}

SwitchPlan PlanSwitch(const CConnectionTable& table, int index, bool channelInReceiverMode) {
  SwitchPlan plan;
  if (!table.Contains(index)) return plan;
  const InterfaceEntry& row = table.Row(index);
  if (row.hasPartner == 0 || !table.Contains(row.partnerIndex)) return plan;
  plan.valid = true;
  plan.newPath = channelInReceiverMode ? row.path : table.Row(row.partnerIndex).path;
  plan.toReceiver = !channelInReceiverMode;
  plan.reopen = plan.toReceiver ? ChannelRecord::Receiver : ChannelRecord::Wired;
  plan.connectionMode = plan.toReceiver ? 2 : 1;
  return plan;
}

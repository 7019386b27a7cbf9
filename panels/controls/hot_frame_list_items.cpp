#include "panels/controls/hot_frame_list_items.h"

#include <QPainter>

#include "panels/toolkit/button.h"

bool CCloudShareListItemUI::ShowsHotFrame() const {
  TListInfoUI* info = GetOwner() ? GetOwner()->GetListInfo() : nullptr;
  return info && !IsMarked() && IsHot() && !info->hotImage.empty();
}

void CCloudShareListItemUI::PaintBkColor(QPainter& painter) {
  CControlUI::PaintBkColor(painter);
  TListInfoUI* info = GetOwner() ? GetOwner()->GetListInfo() : nullptr;
  if (info && info->bkColor) painter.fillRect(rect(), ToQColor(info->bkColor));
}

void CCloudShareListItemUI::PaintStatusImage(QPainter& painter) {
  TListInfoUI* info = GetOwner() ? GetOwner()->GetListInfo() : nullptr;
  if (!info) return;
  DrawImage(painter, info->bkImage);
  if (ShowsHotFrame()) {
    painter.setPen(QPen(ToQColor(info->hotBkColor), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
}

bool CUpdateInfoListItemUI::IsMarked() const {
  auto* tick = dynamic_cast<COptionUI*>(FindSubControl(L"check_name_select"));
  return tick && tick->IsSelected();
}

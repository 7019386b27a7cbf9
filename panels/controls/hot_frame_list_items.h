#pragma once
// List rows with a hot frame: CCloudShareListItemUI and CUpdateInfoListItemUI.
// Activation raises "itemactivate", the context request raises "menu" when
// the row uses a context menu, and while hot (and not selected, for the
// update row: its tick box "check_name_select" not selected) a 1-pixel frame
// in the list's hot colour is drawn when the list has a hot image.

#include "panels/toolkit/list.h"

class CCloudShareListItemUI : public CListContainerElementUI {
 public:
  using CListContainerElementUI::CListContainerElementUI;
  std::wstring GetClass() const override { return L"CloudShareListItemUI"; }
  // Whether the hot frame is drawn now.
  bool ShowsHotFrame() const;

 protected:
  virtual bool IsMarked() const { return IsSelected(); }
  void PaintBkColor(QPainter& painter) override;
  void PaintStatusImage(QPainter& painter) override;
};

class CUpdateInfoListItemUI : public CCloudShareListItemUI {
 public:
  using CCloudShareListItemUI::CCloudShareListItemUI;
  std::wstring GetClass() const override { return L"UpdateInfoListItemUI"; }

 protected:
  bool IsMarked() const override;
};

#include "profiles/mouse_profiledata.h"

#include "profiles/json_access.h"
#include "profiles/json_file.h"

namespace {

uint16_t U16(const Json::Value& v) { return static_cast<uint16_t>(JInt(v)); }
uint8_t U8(const Json::Value& v) { return static_cast<uint8_t>(JInt(v)); }

}  // namespace

std::vector<DpiStageRecord> CMouseProfiledata::GetDpiStages() {
  const Json::Value& dpi = JMember(section_, "DPIStages");
  const Json::Value& stages = JMember(dpi, "StageDPIs");
  if (stages.isNull()) return dpiStages_;
  activeDpiStage_ = JInt(JMember(dpi, "StageActive"));
  for (Json::ArrayIndex i = 0; i < JSize(stages); ++i) {
    const Json::Value& e = stages[i];
    DpiStageRecord r;
    r.StageActive = U8(JMember(e, "StageActive"));
    r.StageXY = U8(JMember(e, "StageXY"));
    r.StageDPIX = U16(JMember(e, "StageDPIX"));
    r.StageDPIY = U16(JMember(e, "StageDPIY"));
    r.StageColorR = U8(JMember(e, "StageColorR"));
    r.StageColorG = U8(JMember(e, "StageColorG"));
    r.StageColorB = U8(JMember(e, "StageColorB"));
    if (i < dpiStages_.size())
      dpiStages_[i] = r;
    else
      dpiStages_.push_back(r);
  }
  return dpiStages_;
}

void CMouseProfiledata::SetDpiStages(const std::vector<DpiStageRecord>& list) {
  Json::Value& stages = JSetMember(JSetMember(section_, "DPIStages"), "StageDPIs");
  for (size_t i = 0; i < list.size(); ++i) {
    Json::Value& e = JSetElement(stages, static_cast<Json::ArrayIndex>(i));
    JSetMember(e, "StageActive") = list[i].StageActive;
    JSetMember(e, "StageXY") = list[i].StageXY;
    JSetMember(e, "StageDPIX") = list[i].StageDPIX;
    JSetMember(e, "StageDPIY") = list[i].StageDPIY;
    JSetMember(e, "StageColorR") = list[i].StageColorR;
    JSetMember(e, "StageColorG") = list[i].StageColorG;
    JSetMember(e, "StageColorB") = list[i].StageColorB;
  }
}

void CMouseProfiledata::SetActiveDpiStage(int stage) {
  activeDpiStage_ = stage;
  JSetMember(JSetMember(section_, "DPIStages"), "StageActive") = stage;
}

MouseSystemStages CMouseProfiledata::GetMouseSystemStages() {
  MouseSystemStages r;
  const Json::Value& s = JMember(section_, "SystemStages");
  if (!s.isNull()) {
    r.DoubleClickTime = U16(JMember(s, "DoubleClickTime"));
    r.MouseSpeed = U16(JMember(s, "MouseSpeed"));
    r.PointerPrecision = U16(JMember(s, "PointerPrecision"));
    r.ScorllPage = U16(JMember(s, "ScorllPage"));
    r.WheelScorlllinse = U16(JMember(s, "WheelScorlllinse"));
  }
  const Json::Value& report = JMember(section_, "ReportStages");
  if (!report.isNull()) r.ReportStage = U16(JMember(report, "StageActive"));
  systemStages_ = r;
  return r;
}

void CMouseProfiledata::SetMouseSystemStages(const MouseSystemStages& r) {
  systemStages_ = r;
  Json::Value& s = JSetMember(section_, "SystemStages");
  JSetMember(s, "DoubleClickTime") = r.DoubleClickTime;
  JSetMember(s, "MouseSpeed") = r.MouseSpeed;
  JSetMember(s, "PointerPrecision") = r.PointerPrecision;
  JSetMember(s, "ScorllPage") = r.ScorllPage;
  JSetMember(s, "WheelScorlllinse") = r.WheelScorlllinse;
  JSetMember(JSetMember(section_, "ReportStages"), "StageActive") = r.ReportStage;
}

std::vector<CorrectRecord> CMouseProfiledata::GetCorrectList() {
  std::vector<CorrectRecord> list;
  const Json::Value& array = JMember(section_, "CorrectInfo");
  for (Json::ArrayIndex i = 0; i < JSize(array); ++i) {
    const Json::Value& e = array[i];
    CorrectRecord r;
    r.CorrectPixThresh = U8(JMember(e, "CorrectPixThresh"));
    r.CorrectMinSq = U8(JMember(e, "CorrectMinSq"));
    r.CorrectSelect = U8(JMember(e, "CorrectSelect"));
    r.CorrectName = WideFromUtf8(JString(JMember(e, "CorrectName")));
    list.push_back(std::move(r));
  }
  correctList_ = list;
  return list;
}

#include "shell/font_resource_holder.h"

#include <limits.h>

#include <QFile>
#include <QFontDatabase>

#include "platform/data_paths.h"

CFontResourceHolder::CFontResourceHolder() : CFontResourceHolder(ProgramDataFolder()) {}

CFontResourceHolder::CFontResourceHolder(std::string baseFolder) : base_(std::move(baseFolder)) {
  if (!base_.empty() && base_.back() != '/') base_ += '/';
}

CFontResourceHolder::~CFontResourceHolder() { Release(); }

bool CFontResourceHolder::LoadPrivateFont(const std::string& name) {
  Release();
  const std::string path = base_ + name;
  if (path.size() + 1 > PATH_MAX) return false;
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray data = file.readAll();
  if (data.isEmpty()) return false;
  id_ = QFontDatabase::addApplicationFontFromData(data);
  return id_ >= 0;
}

void CFontResourceHolder::Release() {
  if (id_ >= 0) QFontDatabase::removeApplicationFont(id_);
  id_ = -1;
}

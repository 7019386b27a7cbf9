#include "shell/file_dialogs.h"

#include <QFileDialog>

namespace {

QString SystemDialog(FileDialogKind kind, const QString& filter, QWidget* owner) {
  const QString filters = filter + ";;All Files(*)";
  return kind == FileDialogKind::kOpen
             ? QFileDialog::getOpenFileName(owner, QString(), QString(), filters)
             : QFileDialog::getSaveFileName(owner, QString(), QString(), filters);
}

FileDialogProvider& Provider() {
  static FileDialogProvider provider;
  return provider;
}

bool Show(FileDialogKind kind, const QString& filter, QWidget* owner, QString& path) {
  const QString chosen =
      Provider() ? Provider()(kind, filter, owner) : SystemDialog(kind, filter, owner);
  if (chosen.isEmpty()) return false;
  path = chosen;
  return true;
}

}  // namespace

void SetFileDialogProvider(FileDialogProvider provider) { Provider() = std::move(provider); }

bool ShowOpenFileDialog(const QString& filter, QWidget* owner, QString& path) {
  return Show(FileDialogKind::kOpen, filter, owner, path);
}

bool ShowSaveFileDialog(const QString& filter, QWidget* owner, QString& path) {
  return Show(FileDialogKind::kSave, filter, owner, path);
}

#pragma once
// The open-file and save-file dialogs of every import and export, with the
// program's filters. The dialogs come from a provider that tests replace, so
// nothing ever blocks a test.

#include <QString>
#include <functional>

class QWidget;

// The filters in use ("description" and pattern).
inline constexpr char kProfileFilter[] = "Profile Files(*.json)";
inline constexpr char kMacroFilter[] = "Macro Files(*.mac)";
inline constexpr char kShootFilter[] = "Shoot Files(*.shoot)";

enum class FileDialogKind { kOpen, kSave };

// Shows the dialog and returns the chosen path, or an empty text when cancelled.
using FileDialogProvider =
    std::function<QString(FileDialogKind kind, const QString& filter, QWidget* owner)>;

// Replaces the provider (an empty function restores the system dialogs).
void SetFileDialogProvider(FileDialogProvider provider);

// True with the chosen path, false when cancelled.
bool ShowOpenFileDialog(const QString& filter, QWidget* owner, QString& path);
bool ShowSaveFileDialog(const QString& filter, QWidget* owner, QString& path);

// The folder dialog of Qt, folders only.
#pragma once

#include "platform/folder_dialog.h"

class QWidget;

namespace parlowen {

class QtFolderDialog final : public FolderDialog
{
public:
    std::string browseForFolder(const std::string& prompt) override;
};

} // namespace parlowen

// parlowen-compare [--apply] LEFT RIGHT: the window's comparison (and its Sync) without a
// window, printed as records.
#include "compare/comparison.h"
#include "compare/report.h"
#include "main_window/commands.h"
#include "platform/posix_file_ops.h"
#include "sync_wizard/executor.h"

#include <clocale>
#include <cstring>
#include <iostream>

namespace {

enum ExitStatus
{
    kNothingPlanned = 0,
    kPlanned = 1,
    kNoFolders = 2,
    kFailed = 3
};

class StderrMessages final : public parlowen::Messages
{
public:
    void show(const std::string& title, const std::string& text) override
    {
        std::cerr << title << ": " << text << '\n';
    }
};

} // namespace

int main(int argc, char* argv[])
{
    std::setlocale(LC_ALL, ""); // the same date and time texts as the window
    std::ios::sync_with_stdio(false);
    const bool apply = argc == 4 && std::strcmp(argv[1], "--apply") == 0;
    if (argc != 3 && !apply) {
        std::cerr << "usage: parlowen-compare [--apply] LEFT RIGHT\n";
        return kNoFolders;
    }
    const std::string left = argv[argc - 2];
    const std::string right = argv[argc - 1];
    StderrMessages messages;
    if (const auto refused = parlowen::folderCheck(left, right)) {
        messages.show(refused->title, refused->text);
        return kNoFolders;
    }
    auto comparison = parlowen::compareFolders(left, right, messages, {});
    bool failed = false;
    if (apply) {
        parlowen::PosixFileOps files;
        for (const auto& f : parlowen::carryOut(comparison.plan, files)) {
            std::cout << "FAILED\t" << parlowen::escapeField(f.sourcePath) << '\t'
                      << parlowen::escapeField(f.targetPath) << '\t'
                      << parlowen::escapeField(f.reason) << '\n';
            failed = true;
        }
        comparison = parlowen::compareFolders(left, right, messages, {});
    }
    parlowen::writeReport(std::cout, comparison);
    std::cout.flush();
    if (failed)
        return kFailed;
    return comparison.plan.empty() ? kNothingPlanned : kPlanned;
}

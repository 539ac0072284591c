// Copies on drives: a file read through its descriptor, and a copy written into a hidden
// temporary in the target's folder (opened once for the run), renamed into place once flushed.
#pragma once

#include "sync_wizard/target_folders.h"
#include "sync_wizard/volume.h"

#include <memory>
#include <string>

namespace parlowen {

class DriveVolume;

// A drive's file, open for reading.
class DriveSource : public SourceFile
{
public:
    DriveSource(FileOps& files, OpenedSource opened) : m_files(files), m_opened(std::move(opened)) {}

    const FileFacts& facts() const override { return m_opened.facts; }
    int fd() const override { return m_opened.fd.get(); }
    StepFailure copyInto(int, const std::stop_token&, const BytesTold&) override
    {
        return failedPlainly("a drive's file is read through its descriptor");
    }
    StepFailure unchanged(std::int64_t read) override;
    const UniqueFd& descriptor() const { return m_opened.fd; }

private:
    FileOps& m_files;
    OpenedSource m_opened;
};

// A drive's file that stands for another: a converted copy in the cache, or a playlist written
// for the player. It carries that file's times, and is judged as Compare saw that file.
class CarriedSource final : public DriveSource
{
public:
    CarriedSource(FileOps& files, OpenedSource opened, std::int64_t comparedSize,
                  const timespec& comparedModified)
        : DriveSource(files, std::move(opened)), m_carried(DriveSource::facts())
    {
        m_carried.modified = m_carried.accessed = comparedModified;
        m_compared.size = comparedSize;
        m_compared.modified = m_compared.accessed = m_compared.changed = comparedModified;
    }
    const FileFacts& facts() const override { return m_carried; }
    const FileFacts& asCompared() const override { return m_compared; }

private:
    FileFacts m_carried;
    FileFacts m_compared;
};

// A copy into a hidden temporary in the target's folder, renamed into place once flushed.
class DriveCopy final : public NewFile
{
public:
    DriveCopy(DriveVolume& volume, const PlannedOperation& op, std::shared_ptr<TargetFolder> folder);
    ~DriveCopy() override; // removes the temporary unless it was placed
    DriveCopy(const DriveCopy&) = delete;
    DriveCopy& operator=(const DriveCopy&) = delete;

    StepFailure write(SourceFile& source, const std::stop_token& stop,
                      const BytesTold& copied) override;
    StepFailure finish() override;
    StepFailure place() override;
    std::int64_t size() const override { return m_facts.size; }
    StepFailure removeBeside(const std::string& name, std::int64_t size) override;

    const TargetFolder& folder() const { return *m_folder; }
    std::shared_ptr<const TargetFolder> sharedFolder() const { return m_folder; }
    const UniqueFd& output() const { return m_out; }
    StepFailure folderStillThere();

private:
    StepFailure createTemporary();
    StepFailure copyFrom(const UniqueFd& in, const std::stop_token& stop, const BytesTold& copied);
    StepFailure placeNew();
    StepFailure targetStillAsSeen();

    DriveVolume& m_volume;
    FileOps& m_files;
    const PlannedOperation& m_op;
    std::shared_ptr<TargetFolder> m_folder;
    std::string m_targetName;
    FileFacts m_facts; // the source's, carried to the copy
    UniqueFd m_out;
    std::string m_temporary; // its name in the folder; removed unless it became the target
};

} // namespace parlowen

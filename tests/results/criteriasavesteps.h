#pragma once
// The steps of a criteria save at which the fault tests end the saving
// process (criteria_save_helper): right after the step named, as a crash or
// a power cut would.

enum class SaveStep {
    NewFileCreated,
    NewFileHalfWritten,
    NewFileFlushed,
    BackupWritten,
    BackupInPlace,
    NewFileInPlace,
    FolderFlushed,
};

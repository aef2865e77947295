// --log FILE and --log-json FILE: the communication log of a whole run (every frame, reply and
// line event of every device) as text lines or JSON lines, appended to the files as it comes.
#pragma once

#include <memory>
#include <string>

#include "model/comm_log.h"
#include "model/std_file_system.h"

namespace tvxctl {

struct RunLog {
    tvx::CommLog log;
    tvx::StdFileSystem files;
    std::unique_ptr<tvx::LogFileSink> text;
    std::unique_ptr<tvx::LogFileSink> json;
};

// The local time now, to the millisecond.
tvx::LogTime LocalLogTime();

// Opens the files named (either may be empty); false, with the reason, when one cannot be
// written. Nothing is kept in memory: the entries go to the files only.
bool OpenRunLog(RunLog& run_log, const std::string& text_path, const std::string& json_path,
                std::string& error);
// A file that failed during the run; empty when both were written to the end.
std::string RunLogFailure(const RunLog& run_log);

}  // namespace tvxctl

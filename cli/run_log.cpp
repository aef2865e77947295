#include "run_log.h"

#include <chrono>
#include <ctime>

namespace tvxctl {

tvx::LogTime LocalLogTime() {
    using namespace std::chrono;
    const system_clock::time_point now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,       local.tm_hour,
            local.tm_min,         local.tm_sec,     static_cast<int>(ms)};
}

bool OpenRunLog(RunLog& r, const std::string& text_path, const std::string& json_path,
                std::string& error) {
    r.log.capacity = 0;
    r.log.clock = LocalLogTime;
    struct Wanted {
        const std::string& path;
        bool json;
        std::unique_ptr<tvx::LogFileSink>& sink;
    };
    for (const Wanted& w : {Wanted{text_path, false, r.text}, Wanted{json_path, true, r.json}}) {
        if (w.path.empty()) continue;
        // Appended to, like any log: an earlier run's entries stay.
        if (!r.files.AppendToFile(w.path, "")) {
            error = "cannot write the log " + w.path;
            return false;
        }
        w.sink = std::make_unique<tvx::LogFileSink>(r.files, w.path, w.json);
        tvx::AddLogSink(r.log, *w.sink);
    }
    return true;
}

std::string RunLogFailure(const RunLog& r) {
    for (const tvx::LogFileSink* sink : {r.text.get(), r.json.get()}) {
        if (sink && !tvx::LogSinkActive(r.log, *sink)) return sink->FailureNote();
    }
    return {};
}

}  // namespace tvxctl

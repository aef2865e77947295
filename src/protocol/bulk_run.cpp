#include "protocol/bulk_run.h"

#include "model/run_pace.h"

namespace tvx {

namespace {

constexpr int kSetAllPeriodMs = 1200;
constexpr int kSetAllSlowPeriodMs = 2600;  // the device needs longer for AST and PP
constexpr int kSetAllPercentOf = 171;
constexpr int kReadBackPeriodMs = 800;
constexpr int kReadBackPagesPeriodMs = 1200;
constexpr int kReadBackTitlesPeriodMs = 600;
constexpr int kReadBackPercentOf = 174;
constexpr int kNetworkReadPeriodMs = 200;

// The device's read order for most tables: ch.1 Bottom, ch.1 Top, ch.2 Bottom, ch.2 Top.
constexpr int kBottomFirst[kPositionCount] = {1, 0, 3, 2};

void AddPerPosition(std::vector<BulkStep>& steps, BulkAction action, const int (&order)[4]) {
    for (int p : order) steps.push_back({action, p, 0});
}

void AddPerPosition(std::vector<BulkStep>& steps, BulkAction action) {
    for (int p = 0; p < kPositionCount; ++p) steps.push_back({action, p, 0});
}

}  // namespace

BulkTable SetAllTable() {
    BulkTable t;
    t.kind = BulkKind::SetAll;
    t.first_period_ms = kSetAllPeriodMs;
    t.percent_divisor = kSetAllPercentOf;
    t.progress_max = kSetAllPercentOf;
    t.close_dialog_at_end = true;
    for (int title = 0; title < kTitleCount; ++title) {
        t.steps.push_back({BulkAction::Title, title, 0});
    }
    AddPerPosition(t.steps, BulkAction::DisplayFlags);
    t.steps.push_back({BulkAction::WhiteLevel, 0, 0});
    t.steps.push_back({BulkAction::EdgeLevel, 0, 0});
    AddPerPosition(t.steps, BulkAction::StartupPage);
    AddPerPosition(t.steps, BulkAction::PositionOffset);
    AddPerPosition(t.steps, BulkAction::DisplayPage);
    t.steps.push_back({BulkAction::None, 0, kSetAllSlowPeriodMs});
    AddPerPosition(t.steps, BulkAction::SwitchTimes);
    AddPerPosition(t.steps, BulkAction::PageAssignment);
    t.steps.push_back({BulkAction::None, 0, 0});
    return t;
}

BulkTable ReadBackTable(bool tcp_ip) {
    BulkTable t;
    t.kind = BulkKind::ReadBack;
    t.first_period_ms = kReadBackPeriodMs;
    t.percent_divisor = kReadBackPercentOf;
    t.progress_max = kReadBackPercentOf;
    t.close_dialog_at_end = true;
    AddPerPosition(t.steps, BulkAction::ReadSwitchTimes, kBottomFirst);
    AddPerPosition(t.steps, BulkAction::ReadDisplayFlags, kBottomFirst);
    AddPerPosition(t.steps, BulkAction::ReadPositionOffset, kBottomFirst);
    t.steps.push_back({BulkAction::ReadEdgeLevel, 0, 0});
    t.steps.push_back({BulkAction::ReadWhiteLevel, 0, 0});
    AddPerPosition(t.steps, BulkAction::ReadStartupPage, kBottomFirst);
    AddPerPosition(t.steps, BulkAction::ReadDisplayPage, kBottomFirst);
    t.steps.push_back({BulkAction::None, 0, kReadBackPagesPeriodMs});
    AddPerPosition(t.steps, BulkAction::ReadPageAssignment);
    t.steps.push_back({BulkAction::None, 0, kReadBackTitlesPeriodMs});
    t.steps.push_back({BulkAction::None, 0, 0});
    for (int title = 0; title < kTitleCount; ++title) {
        t.steps.push_back({BulkAction::ReadTitle, title, 0});
    }
    // The socket answer to RCT144 is handed to the open dialog; one more tick keeps it open.
    if (tcp_ip) t.steps.push_back({BulkAction::None, 0, 0});
    return t;
}

BulkTable NetworkReadTable() {
    BulkTable t;
    t.kind = BulkKind::NetworkRead;
    t.first_period_ms = kNetworkReadPeriodMs;
    t.progress_max = 9;
    t.bare_serial = true;
    constexpr NetworkRead kOrder[] = {
        NetworkRead::ActiveAddress, NetworkRead::GatewayAddress, NetworkRead::IpAddress,
        NetworkRead::MacAddress,    NetworkRead::PortNumber,     NetworkRead::SubnetClass,
        NetworkRead::KeepAlive,     NetworkRead::TimeRegister,   NetworkRead::Version,
    };
    for (NetworkRead read : kOrder) {
        t.steps.push_back({BulkAction::ReadNetwork, static_cast<int>(read), 0});
    }
    t.enable_close_after_step = static_cast<int>(t.steps.size());
    // The last reply gets one tick to arrive before the fields show the model again.
    t.steps.push_back({BulkAction::None, 0, 0});
    return t;
}

namespace {

// The model field a sending step takes its values from, or nullptr.
const char* StepField(BulkAction action) {
    switch (action) {
        case BulkAction::DisplayFlags:
            return "page_display_on";
        case BulkAction::SwitchTimes:
            return "page_switch_seconds";
        case BulkAction::PageAssignment:
            return "page_title_number";
        case BulkAction::DisplayPage:
            return "display_page";
        case BulkAction::StartupPage:
            return "startup_page";
        case BulkAction::PositionOffset:
            return "position_offset";
        case BulkAction::WhiteLevel:
            return "white_level";
        case BulkAction::EdgeLevel:
            return "edge_level";
        default:
            return nullptr;
    }
}

}  // namespace

const char* BulkStepField(BulkAction action) {
    if (const char* field = StepField(action)) return field;
    switch (action) {
        case BulkAction::Title:
        case BulkAction::ReadTitle:
            return "title_text";
        case BulkAction::ReadSwitchTimes:
            return "page_switch_seconds";
        case BulkAction::ReadDisplayFlags:
            return "page_display_on";
        case BulkAction::ReadPositionOffset:
            return "position_offset";
        case BulkAction::ReadEdgeLevel:
            return "edge_level";
        case BulkAction::ReadWhiteLevel:
            return "white_level";
        case BulkAction::ReadStartupPage:
            return "startup_page";
        case BulkAction::ReadDisplayPage:
            return "display_page";
        case BulkAction::ReadPageAssignment:
            return "page_title_number";
        default:
            return nullptr;
    }
}

BuildOutcome BuildBulkStepCommand(const SettingsModel& model, Prompts& prompts,
                                  const BulkStep& step, std::string& out) {
    out.clear();
    const int i = step.index;
    if (const char* field = StepField(step.action)) {
        const bool single =
            step.action == BulkAction::WhiteLevel || step.action == BulkAction::EdgeLevel;
        if (!CommandValuesSendable(model, prompts, field, single ? -1 : i))
            return BuildOutcome::ValueRefused;
    }
    switch (step.action) {
        case BulkAction::None:
            return BuildOutcome::NoCommand;
        case BulkAction::Title:
            return BuildTitleCommandFromModel(model, 1, i, out) ? BuildOutcome::Command
                                                                : BuildOutcome::TitleNotEncodable;
        case BulkAction::SwitchTimes:
            return BuildSwitchTimesCommand(model, i, prompts, out)
                       ? BuildOutcome::Command
                       : BuildOutcome::SwitchTimesRefused;
        case BulkAction::DisplayFlags:
            out = BuildDisplayFlagsCommand(model, i);
            break;
        case BulkAction::WhiteLevel:
            out = BuildWhiteLevelCommand(model);
            break;
        case BulkAction::EdgeLevel:
            out = BuildEdgeLevelCommand(model);
            break;
        case BulkAction::StartupPage:
            out = BuildStartupPageCommand(model, i);
            break;
        case BulkAction::PositionOffset:
            out = BuildPositionOffsetCommand(model, i);
            break;
        case BulkAction::DisplayPage:
            out = BuildDisplayPageCommand(model, i);
            break;
        case BulkAction::PageAssignment:
            out = BuildPageAssignmentCommand(model, i);
            break;
        case BulkAction::ReadSwitchTimes:
            out = BuildReadSwitchTimesCommand(i);
            break;
        case BulkAction::ReadDisplayFlags:
            out = BuildReadDisplayFlagsCommand(i);
            break;
        case BulkAction::ReadPositionOffset:
            out = BuildReadPositionOffsetCommand(i);
            break;
        case BulkAction::ReadEdgeLevel:
            out = BuildReadEdgeLevelCommand();
            break;
        case BulkAction::ReadWhiteLevel:
            out = BuildReadWhiteLevelCommand();
            break;
        case BulkAction::ReadStartupPage:
            out = BuildReadStartupPageCommand(i);
            break;
        case BulkAction::ReadDisplayPage:
            out = BuildReadDisplayPageCommand(i);
            break;
        case BulkAction::ReadPageAssignment:
            out = BuildReadPageAssignmentCommand(i);
            break;
        case BulkAction::ReadTitle:
            out = BuildReadTitleCommand(i);
            break;
        case BulkAction::ReadNetwork:
            out = BuildNetworkReadCommand(static_cast<NetworkRead>(i));
            break;
    }
    return out.empty() ? BuildOutcome::NoCommand : BuildOutcome::Command;
}

int FirstUnsendableTitle(const SettingsModel& model) {
    std::string unused;
    for (int t = 0; t < kTitleCount; ++t) {
        if (!BuildTitleCommandFromModel(model, 1, t, unused)) return t;
    }
    return -1;
}

BulkTick OnBulkTick(CoreContext& c, BulkRun& run, BulkSender send, void* user) {
    BulkTick r;
    // A tick dispatched by the modal loop of a box that this run's step opened waits for it.
    if (run.in_tick) return r;
    AppState& app = c.app;
    const BulkTable& table = run.table;
    const int step_count = static_cast<int>(table.steps.size());
    const int s = app.sequence_running;
    if (s <= 0 || s > step_count) {
        // A stray tick after the end (or of a run that a failed send already ended).
        if (s > step_count) app.sequence_running = 0;
        r.stop_timer = true;
        r.ended = true;
        return r;
    }
    if (app.error_reply == 1 || run.step_failed) {
        app.error_reply = 0;
        run.step_failed = false;
        app.sequence_running = 0;
        r.stop_timer = true;
        r.enable_close = true;
        r.ended = true;
        return r;
    }

    // A run paced by replies waits here for the answer to its last step.
    if (!RunPaceAllowsStep(app)) return r;

    const BulkStep& step = table.steps[static_cast<std::size_t>(s - 1)];
    std::string command;
    RunPaceStepStarting(app);
    run.in_tick = true;
    BuildOutcome outcome = BuildBulkStepCommand(c.model, c.prompts, step, command);
    if (outcome == BuildOutcome::TitleNotEncodable || outcome == BuildOutcome::ValueRefused) {
        // Nothing goes out for this step; the run ends at the next tick.
        app.error_reply = 1;
        run.step_failed = true;
        if (outcome == BuildOutcome::TitleNotEncodable)
            c.prompts.ShowErrorBox(kTitleNotConvertibleText, BoxIcon::Exclamation);
    } else if (outcome == BuildOutcome::Command) {
        if (table.bare_serial) app.address_prefix_on = 0;
        send(user, c, command);
    }
    run.in_tick = false;
    if (step.period_ms != 0) r.new_period_ms = step.period_ms;

    if (table.percent_divisor > 0) r.percent = s * 100 / table.percent_divisor;
    r.step_progress = true;
    app.sequence_running = s + 1;
    if (table.enable_close_after_step != 0 && s == table.enable_close_after_step) {
        r.enable_close = true;
    }
    if (s == step_count) {
        app.sequence_running = 0;
        r.stop_timer = true;
        r.new_period_ms = 0;
        r.enable_close = true;
        r.reset_progress = true;
        r.clear_percent = table.percent_divisor > 0;
        r.refresh = !table.close_dialog_at_end;
        r.close_dialog = table.close_dialog_at_end;
        r.ended = true;
    }
    RunPaceStepDone(app, !r.ended && app.sequence_running != 0);
    return r;
}

}  // namespace tvx

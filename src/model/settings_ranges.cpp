#include "model/settings_ranges.h"

namespace tvx {

namespace {

bool Check(const char* field, int position, int index, int value, int low, int high,
           SettingRangeProblem& problem) {
    if (value >= low && value <= high) return true;
    problem = {field, position, index, value, low, high};
    return false;
}

template <int N>
bool CheckPerPosition(const char* field, const int (&values)[kPositionCount][N], int low, int high,
                      SettingRangeProblem& problem) {
    for (int p = 0; p < kPositionCount; ++p) {
        for (int k = 0; k < N; ++k) {
            if (!Check(field, p, k, values[p][k], low, high, problem)) return false;
        }
    }
    return true;
}

bool CheckPositions(const char* field, const int (&values)[kPositionCount], int low, int high,
                    SettingRangeProblem& problem) {
    for (int p = 0; p < kPositionCount; ++p) {
        if (!Check(field, p, -1, values[p], low, high, problem)) return false;
    }
    return true;
}

}  // namespace

bool FindSettingOutOfRange(const SettingsModel& m, SettingRangeProblem& problem) {
    constexpr int kMaxSeconds = 99;
    constexpr int kMaxOffset = 15;
    constexpr int kMaxLevel = 3;
    return !(
        CheckPerPosition("page_display_on", m.page_display_on, 0, 1, problem) &&
        CheckPerPosition("page_switch_seconds", m.page_switch_seconds, 0, kMaxSeconds, problem) &&
        CheckPositions("startup_page", m.startup_page, 0, kAutoSwitchPage, problem) &&
        CheckPositions("display_page", m.display_page, 0, kAutoSwitchPage, problem) &&
        CheckPositions("position_offset", m.position_offset, 0, kMaxOffset, problem) &&
        Check("white_level", -1, -1, m.white_level, 0, kMaxLevel, problem) &&
        Check("edge_level", -1, -1, m.edge_level, 0, kMaxLevel, problem) &&
        CheckPerPosition("page_title_number", m.page_title_number, 0, kTitleCount - 1, problem));
}

}  // namespace tvx

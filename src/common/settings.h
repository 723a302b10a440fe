#pragma once
// The numbers the search and the evaluation read, without a lock, from
// every search thread. They change only while no search runs: the UCI front
// end asks for new values through the engine thread, which takes them
// between searches.
#include <cstdint>

namespace ostrim {

struct EngineSettings {
  int32_t board_setup = 1;          // no option changes it
  int32_t thread_count = 0;
  int32_t contempt = 0;             // rewritten by every `go`
  int32_t lowest_root_score = -9999;
  int32_t null_move_reduction = 4;  // half plies; 0 switches null move off
  int32_t use_half_ply_heuristic = 1;
  int32_t use_threat_detection = 1;
  int32_t use_history_pruning = 1;
  int32_t advanced_contempt = 1;
  int32_t identify_drawish = 1;
  int32_t minimum_threat_pct = 100;
  int32_t bad_move_pct = 100;
  int32_t score_drop_pct = 100;
  int32_t pawn_pct = 100;
  int32_t pieces_pct = 100;
  int32_t king_safety_pct = 100;
  int32_t no_progress_pct = 100;
  int32_t space_pct = 100;
  int32_t mobility_pct = 100;
  int32_t pawn_structure_pct = 100;
  int32_t endgame_king_pct = 100;
  int32_t passed_pawn_pct = 100;
};

extern EngineSettings settings;

// The fields the front end feeds (contempt and the option-fed ones), in the
// order in which the engine's settings command carries them.
inline constexpr int32_t EngineSettings::*kFedSettings[] = {
    &EngineSettings::contempt,           &EngineSettings::null_move_reduction,
    &EngineSettings::use_half_ply_heuristic, &EngineSettings::use_threat_detection,
    &EngineSettings::use_history_pruning,    &EngineSettings::advanced_contempt,
    &EngineSettings::identify_drawish,   &EngineSettings::minimum_threat_pct,
    &EngineSettings::bad_move_pct,       &EngineSettings::score_drop_pct,
    &EngineSettings::pawn_pct,           &EngineSettings::pieces_pct,
    &EngineSettings::king_safety_pct,    &EngineSettings::no_progress_pct,
    &EngineSettings::space_pct,          &EngineSettings::mobility_pct,
    &EngineSettings::pawn_structure_pct, &EngineSettings::endgame_king_pct,
    &EngineSettings::passed_pawn_pct,    &EngineSettings::thread_count,
};
constexpr int kFedSettingCount = sizeof kFedSettings / sizeof kFedSettings[0];

// Copies the fed fields; the others stay.
void copy_fed_settings(EngineSettings& to, const EngineSettings& from);

// Back to the defaults above (every engine start).
void reset_settings();

}  // namespace ostrim

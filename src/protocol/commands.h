// Builders of every command line the program sends to a title generator. Each returns the
// complete command text ending in CR LF, without the address prefix (the transport adds it).
// A builder given a position, title or glyph index outside the model returns an empty text,
// which the transports do not send.
//
// Commands that change settings:
//   AST   BuildSwitchTimesCommand      CTD  BuildDisplayFlagsCommand
//   CTDPO BuildPositionOffsetCommand   CWL  BuildWhiteLevelCommand
//   CEL   BuildEdgeLevelCommand        SUS  BuildStartupPageCommand
//   P     BuildDisplayPageCommand      PP   BuildPageAssignmentCommand
//   CT/CN StageTitleText + BuildTitleCommand
//   G     BuildGlyphInsertCommand      GR   BuildGlyphRegisterCommand
//   IA    BuildIpAddressCommand        GA   BuildGatewayAddressCommand
//   AA    BuildActiveAddressCommand    SM   BuildSubnetClassCommand
//   PN    BuildPortNumberCommand       KA   BuildKeepAliveCommand
//   TR    BuildTimeRegisterCommand     SA   BuildSlaveAddressCommand
// Read commands: BuildReadSwitchTimesCommand (RAST) ... BuildReadGlyphCommand (RFBM),
// BuildNetworkReadCommand (RAA .. RVN).
#pragma once

#include <cstdint>
#include <string>

#include "model/seams.h"
#include "model/settings_model.h"

namespace tvx {

// Shown when a title holds a character the device cannot show; the callers report it.
inline constexpr std::string_view kTitleNotConvertibleText =
    "ＪＩＳ第１水準,第２水準以外の字が選択されてます";

// A damaged settings file can hold values no list of the dialogs stands for (a time of 150
// seconds, a page of 1000): a command built from them would be broken on the wire. False, with a
// box naming the field, its value and what the device takes, when a value of the model field
// (by its name, "page_switch_seconds") at this position (-1 for a single value) is out of range.
bool CommandValuesSendable(const SettingsModel& model, Prompts& prompts, std::string_view field,
                           int position);

// AST: the 144 switching times of a position. Refuses a position whose times are all 0: shows
// "全て０秒は､設定出来ません" (exclamation) through prompts and returns false.
bool BuildSwitchTimesCommand(const SettingsModel& model, int position, Prompts& prompts,
                             std::string& out);
// CTD: "N" for a displayed page, "F" otherwise.
std::string BuildDisplayFlagsCommand(const SettingsModel& model, int position);
// CTDPO: the fine position offset.
std::string BuildPositionOffsetCommand(const SettingsModel& model, int position);
std::string BuildWhiteLevelCommand(const SettingsModel& model);  // "CWL1\r\n"
std::string BuildEdgeLevelCommand(const SettingsModel& model);   // "CEL1\r\n"
// SUS and P: page "001".."144", or "AS" for automatic switching.
std::string BuildStartupPageCommand(const SettingsModel& model, int position);
std::string BuildDisplayPageCommand(const SettingsModel& model, int position);
// PP: the title number of each of the 144 pages.
std::string BuildPageAssignmentCommand(const SettingsModel& model, int position);

// Copies title t into staging and pads it with full-width spaces to 42 bytes. False for a text
// of odd length or of 43 bytes and more (staging then holds the text as it stands).
bool StageTitleText(const SettingsModel& model, int title_index, char (&staging)[kTitleBytes]);
// CT (memory 1) or CN (memory 0) for title t from a staged text. False, with out untouched, at
// the first pair that does not convert.
bool BuildTitleCommand(const char (&staging)[kTitleBytes], int memory, int title_index,
                       std::string& out);
// Both steps at once, for callers that need no staging buffer of their own.
bool BuildTitleCommandFromModel(const SettingsModel& model, int memory, int title_index,
                                std::string& out);

// G: insert glyph g (0-based) into title t at insertion position 1..21.
std::string BuildGlyphInsertCommand(int glyph_index, int title_index, int insert_position);
// GR: register glyph g with 256 pattern characters (from the model, or from an edit buffer).
std::string BuildGlyphRegisterCommand(const SettingsModel& model, int glyph_index);
std::string BuildGlyphRegisterCommand(int glyph_index, const char* pattern256);

// Device network settings, each from its model field.
std::string BuildIpAddressCommand(const SettingsModel& model);       // IA192.168.001.003
std::string BuildGatewayAddressCommand(const SettingsModel& model);  // GA...
std::string BuildActiveAddressCommand(const SettingsModel& model);   // AA...
std::string BuildSubnetClassCommand(const SettingsModel& model);     // SMA..SMC
// PN with five characters; a shorter port text is padded with leading zeros.
std::string BuildPortNumberCommand(const SettingsModel& model);
std::string BuildKeepAliveCommand(const SettingsModel& model);     // KAON / KAOF
std::string BuildTimeRegisterCommand(const SettingsModel& model);  // TR1..TR6
std::string BuildSlaveAddressCommand(int slave_address);           // "SA05\r\n"

// Read commands; the device answers each with the reply of the same name.
std::string BuildReadSwitchTimesCommand(int position);     // RAST01T
std::string BuildReadDisplayFlagsCommand(int position);    // RCTD01T
std::string BuildReadPositionOffsetCommand(int position);  // RCTDPO01T
std::string BuildReadEdgeLevelCommand();                   // RCEL
std::string BuildReadWhiteLevelCommand();                  // RCWL
std::string BuildReadStartupPageCommand(int position);     // RSUS01T
std::string BuildReadDisplayPageCommand(int position);     // RP01T
std::string BuildReadPageAssignmentCommand(int position);  // RPP01T
std::string BuildReadTitleCommand(int title_index);        // RCT001
// RFBM with a 16-bit code: the glyph_code of a glyph, or the JIS code of a typed character.
std::string BuildReadGlyphCommand(std::uint32_t code);

enum class NetworkRead {
    ActiveAddress,
    GatewayAddress,
    IpAddress,
    MacAddress,
    PortNumber,
    SubnetClass,
    KeepAlive,
    TimeRegister,
    Version
};
// "RAA", "RGA", "RIA", "RMA", "RPN", "RSM", "RKA", "RTR", "RVN".
std::string BuildNetworkReadCommand(NetworkRead which);

}  // namespace tvx

// Resource ids shared by tvx5870.rc and the code: menu commands, dialog templates, control ids.
// One block per dialog; a new dialog appends its block (template id, then its controls) at the
// end. Named resources ("IDM_MENU", "MYICON") are strings and must never be #defined here.
#ifndef TVX_RES_RESOURCE_H
#define TVX_RES_RESOURCE_H

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Main menu "IDM_MENU": command ids of every item.
#define IDM_FILE_NEW 40001
#define IDM_FILE_OPEN 40002
#define IDM_FILE_SAVE 40003
#define IDM_FILE_SAVE_AS 40004
#define IDM_TITLES_CSV_IMPORT 40216
#define IDM_TITLES_CSV_EXPORT 40217
#define IDM_APP_EXIT 119
#define IDM_DISPLAY_PAGE_SWITCH 40012
#define IDM_TITLE_SETTING 40010
#define IDM_TITLE_DISPLAY 40014
#define IDM_PAGE_ASSIGNMENT 40212
#define IDM_AUTO_SWITCHING 40016
#define IDM_STARTUP_SETTING 40064
#define IDM_CHARACTER_LEVEL 40018
#define IDM_POSITION_ADJUST 40020
#define IDM_GLYPH_INSERT 40024
#define IDM_GLYPH_LIST 40214
#define IDM_SET_ALL_ITEMS 40009
#define IDM_DEVICE_SLAVE_ADDRESS 40028
#define IDM_READ_BACK 40213
#define IDM_INTERFACE_SETTING 40208
#define IDM_RS232C_SETTING 40209
#define IDM_CLIENT_SERVER 40211
#define IDM_TCPIP_SETTING 40008
#define IDM_PROTOCOL_SETTING 40207
#define IDM_VERSION_INFO 120
#define IDM_ABOUT_GLYPHS 40215
#define IDM_REPLY_PACED 40218
#define IDM_COMM_LOG 40219
#define IDM_PAGE_VIEW 40230

// Controls shared by every feature dialog.
#define IDC_SLAVE_ADDRESS 1094

// Version dialog "TVX5870のﾊﾞｰｼﾞｮﾝ情報".
#define IDD_VERSION 100
#define IDC_VERSION_TEXT 1000

// Dialog "外字について": four static lines, closed with Esc or the close box.
#define IDD_ABOUT_GLYPHS 101
#define IDC_ABOUT_GLYPHS_LINE1 1001
#define IDC_ABOUT_GLYPHS_LINE2 1002
#define IDC_ABOUT_GLYPHS_LINE3 1003
#define IDC_ABOUT_GLYPHS_LINE4 1004

// Dialog "文字レベルの設定".
#define IDD_CHAR_LEVEL 150
#define IDC_WHITE_LEVEL 1058
#define IDC_EDGE_LEVEL 1059
#define IDC_WHITE_LEVEL_SET 1006
#define IDC_EDGE_LEVEL_SET 1008

// Dialog "機器のスレーブアドレス": the slave address combo and its set button.
#define IDD_DEVICE_SLAVE_ADDRESS 151
#define IDC_DEVICE_ADDRESS_SET 1099

// Dialog "インターフェイスの設定": the interface list.
#define IDD_INTERFACE 130
#define IDC_INTERFACE_LIST 1014

// Dialog "RS-232Cの設定": the COM port list.
#define IDD_RS232C 131
#define IDC_COM_PORT_LIST 1011

// Dialog "クライアント/サーバー": the TCP role list.
#define IDD_CLIENT_SERVER 132
#define IDC_ROLE_LIST 1100

// Dialog "TCP/IPの設定（Client）": host address, host list, port, connect and disconnect.
#define IDD_TCP_CLIENT 133
#define IDC_HOST_ADDRESS 1101
#define IDC_HOST_ADD 1104
#define IDC_HOST_LIST 1106
#define IDC_HOST_DELETE 1105
#define IDC_CLIENT_PORT 1090
#define IDC_CLIENT_CONNECT 1103
#define IDC_CLIENT_DISCONNECT 1102

// Dialog "TCP/IPの設定（Server）": port, chosen client, client list; "接続" is IDOK.
#define IDD_TCP_SERVER 134
#define IDC_SERVER_PORT 1004
#define IDC_SERVER_PLACE 1003
#define IDC_SERVER_CLIENT_LIST 1002
#define IDC_SERVER_DISCONNECT 1000

// Dialogs "全項目の設定" and "設定項目の読み込み": one layout, the read-back with its notice.
#define IDD_SET_ALL 170
#define IDD_READ_BACK 171
#define IDC_BULK_START 1200
#define IDC_BULK_PERCENT 1201
#define IDC_BULK_PROGRESS 1202
#define IDC_BULK_NOTICE 1203

// Dialog "プロトコル": the device's own network settings.
#define IDD_NETWORK 172
#define IDC_NET_IP 1078
#define IDC_NET_IP_SET 1079
#define IDC_NET_GATEWAY 1080
#define IDC_NET_GATEWAY_SET 1082
#define IDC_NET_ACTIVE 1081
#define IDC_NET_ACTIVE_SET 1083
#define IDC_NET_MAC 1084
#define IDC_NET_SUBNET 1087
#define IDC_NET_SUBNET_SET 1085
#define IDC_NET_PORT 1093
#define IDC_NET_PORT_SET 1089
#define IDC_NET_VERSION 1092
#define IDC_NET_KEEP_ALIVE 1118
#define IDC_NET_KEEP_ALIVE_SET 1088
#define IDC_NET_TIME_REGISTER 1119
#define IDC_NET_TIME_REGISTER_SET 1091
#define IDC_NET_READ 1069
#define IDC_NET_PROGRESS 1086

// Dialog "タイトル設定": preview, title number, title edit, the four send buttons, progress bar
// and percent box.
#define IDD_TITLE_SETTING 108
#define IDC_TITLE_PREVIEW 1111
#define IDC_TITLE_NUMBER 1107
#define IDC_TITLE_EDIT 1096
#define IDC_TITLE_SET 40031
#define IDC_TITLE_SET_ALL 40189
#define IDC_TITLE_NOT_MEMORY 40030
#define IDC_TITLE_NM_SET_ALL 1016
#define IDC_TITLE_PROGRESS 1019
#define IDC_TITLE_PERCENT 1095

// External character dialogs "外字登録" (editor), "外字一覧（中文字）" (list) and "外字挿入"
// (insertion). The editor and the list share the clear, file, register and read buttons; the
// editor and the insertion dialog share the register number list.
#define IDD_GLYPH_EDITOR 300
#define IDD_GLYPH_LIST 301
#define IDD_GLYPH_INSERT 302
#define IDC_GLYPH_GRID 1109
#define IDC_GLYPH_CLEAR 1064
#define IDC_GLYPH_OPEN 1065
#define IDC_GLYPH_SAVE 1066
#define IDC_GLYPH_SAVE_AS 1067
#define IDC_GLYPH_NUMBER 1060
#define IDC_GLYPH_REGISTER 1068
#define IDC_GLYPH_READ 1069
#define IDC_GLYPH_SAMPLE 1076
#define IDC_GLYPH_SAMPLE_READ 1075
#define IDC_GLYPH_CELL_FIRST 1120       /* cells 0..15: 1120..1135 */
#define IDC_GLYPH_NUMBER_BOX_FIRST 1136 /* number boxes of cells 0..15: 1136..1151 */
#define IDC_GLYPH_PAGE 1153
#define IDC_GLYPH_PROGRESS 1154
#define IDC_GLYPH_PERCENT 1070
#define IDC_GLYPH_INSERT_TITLE 1107
#define IDC_GLYPH_INSERT_POSITION 1061
#define IDC_GLYPH_INSERT_SET 40031
// Display dialogs: "タイトル表示の設定", "表示ページ割り付け", "自動切換えの設定" (a page grid
// each: channel and page combos, a value combo, a preview, "設定", "全設定" and a progress bar)
// and "表示ページ切換え", "スタートアップの設定", "表示位置微調整" (one list and one "設定" per
// display position).
#define IDD_TITLE_DISPLAY 114
#define IDD_PAGE_ASSIGNMENT 135
#define IDD_AUTO_SWITCHING 117
#define IDD_PAGE_SWITCHING 109
#define IDD_STARTUP 110
#define IDD_POSITION_ADJUST 155
#define IDC_GRID_CHANNEL 40187
#define IDC_GRID_PAGE 1017
#define IDC_TITLE_DISPLAY_PREVIEW 1112
#define IDC_TITLE_DISPLAY_FLAG 1056
#define IDC_TITLE_DISPLAY_SAME 1057
#define IDC_TITLE_DISPLAY_SET 40031
#define IDC_TITLE_DISPLAY_SET_ALL 40189
#define IDC_TITLE_DISPLAY_PROGRESS 1098
#define IDC_ASSIGNMENT_PREVIEW 1113
#define IDC_ASSIGNMENT_TITLE 1107
#define IDC_ASSIGNMENT_SET 1115
#define IDC_ASSIGNMENT_SET_ALL 1116
#define IDC_ASSIGNMENT_PROGRESS 1114
#define IDC_AUTO_SWITCHING_PREVIEW 1117
#define IDC_AUTO_SWITCHING_TIME 1062
#define IDC_AUTO_SWITCHING_SAME 1063
#define IDC_AUTO_SWITCHING_SET 40031
#define IDC_AUTO_SWITCHING_SET_ALL 40189
#define IDC_AUTO_SWITCHING_PROGRESS 1097
#define IDC_POSITION_LIST_0 1020
#define IDC_POSITION_LIST_1 1021
#define IDC_POSITION_LIST_2 1022
#define IDC_POSITION_LIST_3 1023
#define IDC_POSITION_SET_0 1005
#define IDC_POSITION_SET_1 1007
#define IDC_POSITION_SET_2 1009
#define IDC_POSITION_SET_3 1010

// Dialog "TCP/IPの設定（Server）": the note on devices refused while all 96 slots were taken, and
// the option that takes devices from the remote control's allowed hosts only.
#define IDC_SERVER_FULL_NOTE 1160
#define IDC_SERVER_HOSTS_ONLY 1161

// Window "通信ログ" (modeless): the list of entries, its buttons, the day-file check box and the
// line that says where the day files go.
#define IDD_COMM_LOG 180
#define IDC_LOG_LIST 1170
#define IDC_LOG_COPY 1171
#define IDC_LOG_SAVE 1172
#define IDC_LOG_CLEAR 1173
#define IDC_LOG_TO_FILES 1174
#define IDC_LOG_STATUS 1175

// Dialog "リモート制御": the remote interface's switch, port, listening address, allowed hosts,
// access token, two status lines, and the timer that refreshes them.
#define IDM_REMOTE_CONTROL 40220
#define IDD_REMOTE_CONTROL 181
#define IDC_REMOTE_ENABLED 1180
#define IDC_REMOTE_PORT 1181
#define IDC_REMOTE_THIS_PC 1182
#define IDC_REMOTE_EVERY_ADDRESS 1183
#define IDC_REMOTE_HOSTS 1184
#define IDC_REMOTE_TOKEN 1185
#define IDC_REMOTE_NEW_TOKEN 1186
#define IDC_REMOTE_CLEAR_TOKEN 1187
#define IDC_REMOTE_STATE 1188
#define IDC_REMOTE_LAST 1189
#define IDT_REMOTE_STATUS 1

// Dialog "ページの見え方": the page and font lists, the picture (owner-drawn), one line for each
// display position, and the two saves.
#define IDD_PAGE_VIEW 195
#define IDC_PAGE_VIEW_PAGE 1190
#define IDC_PAGE_VIEW_FONT 1191
#define IDC_PAGE_VIEW_PICTURE 1192
#define IDC_PAGE_VIEW_LINE_0 1193
#define IDC_PAGE_VIEW_LINE_1 1194
#define IDC_PAGE_VIEW_LINE_2 1195
#define IDC_PAGE_VIEW_LINE_3 1196
#define IDC_PAGE_VIEW_SAVE 1197
#define IDC_PAGE_VIEW_SAVE_SHEET 1198

// The external character editor's steps, clipboard and imports, with their keys (Ctrl+Z, Ctrl+Y,
// Ctrl+C, Ctrl+V), and its two small dialogs "文字から作る" and "画像から読み込む", which share
// the live pictures, the threshold and OK.
#define IDR_GLYPH_EDITOR_KEYS 322
#define IDC_GLYPH_UNDO 1210
#define IDC_GLYPH_REDO 1211
#define IDC_GLYPH_INVERT 1212
#define IDC_GLYPH_COPY 1213
#define IDC_GLYPH_PASTE 1214
#define IDC_GLYPH_FROM_TEXT 1215
#define IDC_GLYPH_FROM_PICTURE 1216
#define IDD_GLYPH_FROM_TEXT 320
#define IDD_GLYPH_FROM_PICTURE 321
#define IDC_SOURCE_BEFORE 1217
#define IDC_SOURCE_AFTER 1218
#define IDC_SOURCE_NOTE 1219
#define IDC_SOURCE_THRESHOLD 1220
#define IDC_SOURCE_THRESHOLD_VALUE 1221
#define IDC_SOURCE_CHARACTER 1222
#define IDC_SOURCE_FONT 1223
#define IDC_SOURCE_SIZE 1224
#define IDC_SOURCE_SIZE_VALUE 1225
#define IDC_SOURCE_DX 1226
#define IDC_SOURCE_DX_VALUE 1227
#define IDC_SOURCE_DY 1228
#define IDC_SOURCE_DY_VALUE 1229
#define IDC_SOURCE_HEAVIER 1234
#define IDC_SOURCE_AUTOMATIC 1235
#define IDC_SOURCE_INVERT 1236
#define IDC_SOURCE_NAME 1237

#endif

// The installer's pictures: resource ids of the "PNG" images and the one
// "GIF", shared by res/pictures.rc and the code. Sizes are in pixels at 100 %.
#pragma once

// Each picture is drawn at 100, 150 and 200 %. The id below is the 100 %
// one; the same picture drawn for a larger scale has the id
// PICTURE_ID(id, step), step 1 for 150 % and 2 for 200 %, and is that many
// times (1 + step / 2) larger, rounded half up.
#define PICTURE_SCALE_STEPS  3       // 100, 150, 200 %
#define PICTURE_STEP_PERCENT 50
#define PICTURE_ID_STRIDE    10000   // above every 100 % id
#define PICTURE_ID(id, step) ((id) + (step) * PICTURE_ID_STRIDE)

// Page backgrounds, 24-bit without alpha.
#define IDP_PAGE_BK          203   // 416 x 250, white page (quick layout, viewer, progress)
#define IDP_MSGBOX_BK        204   // 416 x 200, white, rule under the title, grey button band
#define IDP_CUSTOM_BK        205   // 416 x 250, white with a dark band along the bottom
#define IDP_FINISH_BK        209   // 416 x 250, white with faint diagonal shapes

// Red rounded action button, 130 x 38 with alpha (the image button's defaults).
#define IDP_ACTION_PRESSED   137
#define IDP_ACTION_NORMAL    138
#define IDP_ACTION_DISABLED  139
#define IDP_ACTION_HOVER     140

// Check box, 14 x 10 with alpha: unchecked and checked rows.
#define IDP_CHECK_OFF_NORMAL   144
#define IDP_CHECK_OFF_HOVER    145
#define IDP_CHECK_OFF_PRESSED  146
#define IDP_CHECK_OFF_DISABLED 147
#define IDP_CHECK_ON_NORMAL    148
#define IDP_CHECK_ON_HOVER     149
#define IDP_CHECK_ON_PRESSED   150
#define IDP_CHECK_ON_DISABLED  151

// Message box icon, 36 x 36 with alpha.
#define IDP_ICON_ALERT       165

// Title glyphs, 32 x 32 with alpha.
#define IDP_CLOSE_PRESSED    171
#define IDP_CLOSE_HOVER      172
#define IDP_CLOSE_NORMAL     173
#define IDP_MIN_PRESSED      174
#define IDP_MIN_HOVER        175
#define IDP_MIN_NORMAL       176
#define IDP_CLOSE_DISABLED   190

// Message box buttons, 64 x 26 with alpha.
#define IDP_BOXBTN_PRESSED   206
#define IDP_BOXBTN_HOVER     207
#define IDP_BOXBTN_NORMAL    208

#define IDP_SEPARATOR        211   // 416 x 1 line

// Progress strips, 1 x 6 without alpha.
#define IDP_PROGRESS_TRACK   1200  // RGB 211, 211, 211
#define IDP_PROGRESS_FILL    1201  // RGB 175, 9, 0

// Text links of the first page, with alpha.
#define IDP_CUSTOM_NORMAL    1203  // 66 x 14 "自定义安装"
#define IDP_CUSTOM_HOVER     1204
#define IDP_CUSTOM_PRESSED   1205
#define IDP_DEFAULT_NORMAL   1206  // 66 x 14 "返回默认安装"
#define IDP_DEFAULT_HOVER    1207
#define IDP_DEFAULT_PRESSED  1208
#define IDP_PROTOCOL_LINK    1209  // 46 x 14, all states

#define IDP_LOGO             1214  // 200 x 150 product picture, with alpha

// Browse button on the dark band, 34 x 16 with alpha.
#define IDP_BROWSE_NORMAL    1217
#define IDP_BROWSE_HOVER     1218
#define IDP_BROWSE_PRESSED   1219

#define IDG_BUSY             1220  // "GIF", 24 x 24, 8 frames of 90 ms

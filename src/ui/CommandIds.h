#pragma once
// Command ids of the main window's menus and tray menu.

namespace pw {

enum CommandId {
    IDM_ABOUTBOX = 16,
    ID_OTHER_WORKS = 40002,
    ID_OPTIONS = 40004,
    ID_UPDATE = 40008,
    ID_HELP = 40009,
    ID_PAUSE_DOWNLOAD = 40010,
    ID_CONTINUE_DOWNLOAD = 40011,
    ID_STOP_DOWNLOAD = 40012,
    ID_HIDE_TO_TRAY = 40013,
    ID_EXIT = 40014,
    ID_SITE = 40030,
    ID_START_DOWNLOAD = 40032,
    ID_SHARE_FIRST = 40037,  // 40037..40043: the seven share networks
    ID_SHARE_LAST = 40043,
};

// System commands 16..31 belong to the about box.
inline bool IsAboutCommand(int id) {
    return id >= 16 && id <= 31;
}

inline bool IsShareCommand(int id) {
    return id >= ID_SHARE_FIRST && id <= ID_SHARE_LAST;
}

}  // namespace pw

// The help topic of every control of the options window and the password
// windows, as the manual numbers them. Each control carries its number as
// the dynamic property "helpContext"; F1 on it, or the title bar's help
// button, asks for that topic. Some topics serve several controls.
#pragma once

#include <array>
#include <string_view>

namespace zn {

struct HelpContextEntry {
    int context;
    std::string_view control; // object name of the control
    std::string_view page;    // object name of its page, or of its window
};

inline constexpr std::array OptionHelpContexts{
    // tsLocal "ローカル"
    HelpContextEntry{20, "edHandleName", "tsLocal"},
    HelpContextEntry{21, "edMachineName", "tsLocal"},
    HelpContextEntry{22, "edIPAddress", "tsLocal"},
    HelpContextEntry{23, "mmHuzaiMessage", "tsLocal"},
    // tsSetting "一般"
    HelpContextEntry{24, "cbStartShow", "tsSetting"},
    HelpContextEntry{25, "cbSendAfterClose", "tsSetting"},
    HelpContextEntry{56, "cbRecvAutoOpen", "tsSetting"},
    HelpContextEntry{75, "cbReturnRecvHide", "tsSetting"},
    HelpContextEntry{60, "cbRecvOpenCheck", "tsSetting"},
    HelpContextEntry{27, "cbHuzaiModeCheck", "tsSetting"},
    HelpContextEntry{80, "cbHuzaiSetCheck", "tsSetting"},
    HelpContextEntry{28, "cbHuzaiReturnCheck", "tsSetting"},
    HelpContextEntry{28, "cbSendSelfCheck", "tsSetting"},
    HelpContextEntry{69, "cbSendMachineHide", "tsSetting"},
    HelpContextEntry{70, "cbRecvMachineHide", "tsSetting"},
    HelpContextEntry{71, "cbRecvDateHide", "tsSetting"},
    HelpContextEntry{71, "cbTaskClipHide", "tsSetting"},
    HelpContextEntry{71, "cbTaskHuzaiHide", "tsSetting"},
    HelpContextEntry{26, "cbReturnMessagePlus", "tsSetting"},
    HelpContextEntry{58, "cbClipRecvInfo", "tsSetting"},
    // tsLog "セキュリティ、ログ"
    HelpContextEntry{29, "cbLogSave", "tsLog"},
    HelpContextEntry{30, "edLogFileName", "tsLog"},
    HelpContextEntry{31, "btLogSansyo", "tsLog"},
    HelpContextEntry{55, "edLogFileSize", "tsLog"},
    HelpContextEntry{65, "edPassword", "tsLog"},
    HelpContextEntry{64, "btPasswordChange", "tsLog"},
    HelpContextEntry{62, "cbPasswordOnline", "tsLog"},
    HelpContextEntry{61, "cbPasswordOption", "tsLog"},
    HelpContextEntry{63, "cbPasswordRecv", "tsLog"},
    HelpContextEntry{77, "cbPasswordLog", "tsLog"},
    // tsNetwork "通信"
    HelpContextEntry{32, "edAddSendIP", "tsNetwork"},
    HelpContextEntry{33, "btAddSendIP", "tsNetwork"},
    HelpContextEntry{34, "lbSendIP", "tsNetwork"},
    HelpContextEntry{35, "btDeleteSendIP", "tsNetwork"},
    HelpContextEntry{36, "edPortNo", "tsNetwork"},
    // tsIvent "イベント"
    HelpContextEntry{37, "cbOnlineCheck", "tsIvent"},
    HelpContextEntry{38, "cbOffLineCheck", "tsIvent"},
    HelpContextEntry{39, "cbOpenCheck", "tsIvent"},
    HelpContextEntry{73, "cbRecvCheck", "tsIvent"},
    HelpContextEntry{81, "cbDesktopNotification", "tsIvent"},
    HelpContextEntry{72, "cbAutoLocate", "tsIvent"},
    HelpContextEntry{40, "cbAutoClose", "tsIvent"},
    HelpContextEntry{41, "edAutoClose", "tsIvent"},
    HelpContextEntry{74, "cbExclamationAutoClose", "tsIvent"},
    // tsSound "アニメーション、サウンド"
    HelpContextEntry{42, "rbIventSoundNone", "tsSound"},
    HelpContextEntry{78, "rbIventSoundBeep", "tsSound"},
    HelpContextEntry{79, "rbIventSoundWave", "tsSound"},
    HelpContextEntry{43, "edSoundOnline", "tsSound"},
    HelpContextEntry{46, "btSoundOnlineTest", "tsSound"},
    HelpContextEntry{47, "btOnlineSansyo", "tsSound"},
    HelpContextEntry{44, "edSoundOffline", "tsSound"},
    HelpContextEntry{46, "btSoundOfflineTest", "tsSound"},
    HelpContextEntry{47, "btOfflineSansyo", "tsSound"},
    HelpContextEntry{45, "edSoundRecv", "tsSound"},
    HelpContextEntry{46, "btSoundRecvTest", "tsSound"},
    HelpContextEntry{47, "btRecvSansyo", "tsSound"},
    HelpContextEntry{59, "cbTaskAnimation", "tsSound"},
    HelpContextEntry{66, "cbMouseAnimation", "tsSound"},
    // The password windows.
    HelpContextEntry{30, "edPassword", "PassCheckForm"},
    HelpContextEntry{30, "edOldPass", "PassChangeForm"},
    HelpContextEntry{30, "edNewPass", "PassChangeForm"},
    HelpContextEntry{30, "edNewPassCheck", "PassChangeForm"},
};

// The number of `control` on `page`, 0 when the table has none.
constexpr int helpContextOf(std::string_view page, std::string_view control)
{
    for (const HelpContextEntry &entry : OptionHelpContexts) {
        if (entry.page == page && entry.control == control)
            return entry.context;
    }
    return 0;
}

} // namespace zn

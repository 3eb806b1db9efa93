#include "SkinTexts.h"

namespace {

SkinTexts EnglishTexts() {
    return SkinTexts{
        QStringLiteral("Keymaps and macro scripts for VORN keyboards"),
        {{{QStringLiteral("Upload Keymap"), QStringLiteral("Save its keymap to a file")},
          {QStringLiteral("Download Keymap"), QStringLiteral("Write a keymap file into it")},
          {QStringLiteral("Download Script"), QStringLiteral("Program a script into a slot")}}},
        QStringLiteral("ACTIONS"),
        QStringLiteral("About\u2026"),
        QStringLiteral("DEVICE"),
        QStringLiteral("Keyboard"),
        QStringLiteral("Download progress"),
        QStringLiteral("Ready"),
        QStringLiteral("Script slot"),
        {QStringLiteral("Plug in a keyboard"), QStringLiteral("Choose it in the list"),
         QStringLiteral("Pick an action")},
        {QStringLiteral("Keymaps"), QStringLiteral("Scripts"), QStringLiteral("Slots")},
    };
}

SkinTexts ChineseTexts() {
    return SkinTexts{
        QStringLiteral("VORN 键盘的键位映射与宏脚本工具"),
        {{{QStringLiteral("上传键位映射"), QStringLiteral("把键位映射存为文件")},
          {QStringLiteral("下载键位映射"), QStringLiteral("把键位映射文件写入键盘")},
          {QStringLiteral("下载脚本"), QStringLiteral("把宏脚本写入所选槽位")}}},
        QStringLiteral("操作"),
        QStringLiteral("关于\u2026"),
        QStringLiteral("设备"),
        QStringLiteral("键盘型号"),
        QStringLiteral("下载进度"),
        QStringLiteral("就绪"),
        QStringLiteral("脚本槽位"),
        {QStringLiteral("连接键盘"), QStringLiteral("在列表中选择"), QStringLiteral("选择操作")},
        {QStringLiteral("键位映射"), QStringLiteral("脚本"), QStringLiteral("槽位")},
    };
}

}  // namespace

SkinTexts TextsFor(vorn::skin::SkinVariant variant) {
    return variant == vorn::skin::SkinVariant::Chinese ? ChineseTexts() : EnglishTexts();
}

// SPDX-License-Identifier: MIT
#include "extcalc/file_errors.h"

#include <cerrno>

namespace extcalc::building {

std::string describeFileError(std::error_code error, FileUse use) {
    const bool reading = use == FileUse::Read;
    const std::error_condition condition = error.default_error_condition();
    if (condition == std::errc::no_such_file_or_directory) {
        return reading ? "文件不存在；请检查文件名和所在的文件夹"
                       : "所在的文件夹不存在；请先建立该文件夹，或换一个位置";
    }
    if (condition == std::errc::permission_denied ||
        condition == std::errc::operation_not_permitted) {
        return reading ? "没有读取该文件的权限；请检查文件的权限"
                       : "没有在这里写入的权限；请换一个文件夹，或检查文件的权限";
    }
    if (condition == std::errc::is_a_directory) {
        return "这是一个文件夹，不是文件；请给出文件名";
    }
    if (condition == std::errc::not_a_directory) {
        return "路径中有一段不是文件夹；请检查路径";
    }
    if (condition == std::errc::no_space_on_device) {
        return "磁盘已满；请腾出空间后重试";
    }
    if (condition == std::errc::read_only_file_system) {
        return "该位置只能读不能写；请换一个位置";
    }
    if (condition == std::errc::filename_too_long) {
        return "文件名或路径太长；请换一个短一些的";
    }
    if (condition == std::errc::too_many_files_open ||
        condition == std::errc::too_many_files_open_in_system) {
        return "同时打开的文件太多；请关闭一些程序后重试";
    }
    if (condition == std::errc::device_or_resource_busy || condition == std::errc::text_file_busy) {
        return "文件正被其他程序使用；请关闭该程序后重试";
    }
    if (condition == std::errc::io_error) {
        return "读写设备出错；请检查磁盘或网络连接";
    }
    return "系统错误，代码 " + std::to_string(error.value());
}

}  // namespace extcalc::building

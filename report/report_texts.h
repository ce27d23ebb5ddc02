// The fixed texts of the analysis report. Support staff compare reports line by line, so every
// heading is written exactly as here, widths differing as they do.
#pragma once

namespace tavisto::report {

// 58 hyphens: the report's long separator.
inline constexpr char kSeparator[] = "----------------------------------------------------------";
// 50 hyphens: the key log's short separator.
inline constexpr char kShortSeparator[] = "--------------------------------------------------";

// Identity block: label and the tabs after it.
inline constexpr char kVersionLabel[] = "Tavisto: \t\t";
inline constexpr char kComputerLabel[] = "Computer name: \t\t";
inline constexpr char kUserLabel[] = "User: \t\t\t";
inline constexpr char kOwnerLabel[] = "Owner & Company: \t\t";
inline constexpr char kOsLabel[] = "OS Version: \t\t";
inline constexpr char kTotalMemoryLabel[] = "Total phisical memory: \t";
inline constexpr char kAvailableMemoryLabel[] = "Avalilable physical memory: \t";

inline constexpr char kPluginsHeading[] = "----------------PLUGINS VERSION--------------";
inline constexpr char kDpiHeading[] = "--------------------DPI SETTINGS -------------------------";
inline constexpr char kDpiLabel[] = "Screen DPI: ";
inline constexpr char kPathsHeading[] = "--------------------SOFTWARE PATHS------------------------";
inline constexpr char kLocalAppDataLabel[] = "CSIDL_LOCAL_APPDATA =";
inline constexpr char kCommonAppDataLabel[] = "CSIDL_COMMON_APPDATA =";
inline constexpr char kDriverHeading[] = "-----------------FTDI DRIVER VERSION----------------------";
// Written twice: above the language line and above the key log.
inline constexpr char kRegistryHeading[] = "-----------------VELMO REGISTRY KEYS----------------------";
inline constexpr char kLanguageLabel[] = "PC language setting: ";
inline constexpr char kRegistryRootLine[] = "HKEY_CURRENT_USER -> Software\\Velmo ";
inline constexpr char kFilesHeading[] = "-----------------FILES LIST-------------------------------";
inline constexpr char kInternationalHeading[] = "---------------INTERNATIONAL SETTINGS---------------------";
inline constexpr char kCodecHeading[] = "-----------------INSTALLED CODEC--------------------------";
// 62 characters, longer than the others.
inline constexpr char kDeviceHeading[] = "-----------------DEVICE MANAGER LIST--------------------------";

// Serial adapter drivers: label (its blanks included) and the file below the system directory.
struct DriverFile {
  const char* label;
  const char* file;
};
inline constexpr DriverFile kDriverFiles[] = {
    {"ftserui2.dll:  ", "\\ftserui2.dll"},
    {"ftser2k.sys:   ", "\\drivers\\ftser2k.sys"},
    {"serenum.sys:   ", "\\drivers\\serenum.sys"},
};

// Key log.
inline constexpr char kVelmoKey[] = "Software\\Velmo";
inline constexpr char kFfdshowHeading[] = "-----------------FFDSHOW-KEY----------------------";
inline constexpr char kFfdshowMachineLine[] = "HKEY_LOCAL_MACHINE -> Software\\GNU\\ffdshow";
inline constexpr char kFfdshowUserLine[] = "HKEY_CURRENT_USER -> Software\\GNU\\ffdshow";
inline constexpr char kGnuKey[] = "Software\\GNU";
inline constexpr char kSerialCommLine[] = "HKEY_LOCAL_MACHINE -> Hardware\\DeviceMap\\SerialComm";
inline constexpr char kSerialCommKey[] = "Hardware\\DeviceMap\\SerialComm";
inline constexpr char kInternationalKey[] = "Control Panel\\International";

// Outside inventory tools.
inline constexpr char kCodecTool[] = "InstalledCodec.exe";
inline constexpr char kDeviceTool32[] = "DevManView.exe";
inline constexpr char kDeviceTool64[] = "DevManView-64.exe";
inline constexpr char kCodecCommand[] = "InstalledCodec.exe /stext tmp.txt";
inline constexpr char kDeviceCommand64[] = "DevManView-64.exe /stext tmp.txt";
inline constexpr char kDeviceCommand32[] = "DevManView.exe /stext tmp.txt /ShowOnlyConnected 1";
inline constexpr char kToolOutputFile[] = "tmp.txt";
// The names the notices give the tools.
inline constexpr char kCodecToolName[] = "InstalledCodec";
inline constexpr char kDeviceToolName[] = "DevManView";

// The file each product's CS.log section copies, below its data folder.
inline constexpr char kCsLogFile[] = "CS.log";

}  // namespace tavisto::report

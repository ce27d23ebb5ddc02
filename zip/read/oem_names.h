// Entry names stored without the UTF-8 flag are in the packing system's OEM code page. The
// Western ones our writer uses are 437 (English), 850 (Western European) and 858 (850 with the
// euro sign); the reader takes 437 unless the caller knows better (a manifest that names the
// file in one of the others).
//   std::string name = OemNameToUtf8(raw, OemCodePage::k850);
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace tavisto::zip::read {

enum class OemCodePage { k437, k850, k858 };
inline constexpr std::array<OemCodePage, 3> kWesternOemCodePages = {OemCodePage::k437, OemCodePage::k850,
                                                                    OemCodePage::k858};

// The name's bytes read in the code page, as UTF-8 (every byte has its character).
[[nodiscard]] std::string OemNameToUtf8(std::string_view bytes, OemCodePage codePage);

}  // namespace tavisto::zip::read

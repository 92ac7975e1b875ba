// SPDX-License-Identifier: GPL-3.0-or-later
#include "board/BoardConfig.h"

#include <algorithm>

namespace kel::board {

std::vector<BoardConfig> TrayConfigs(int count) {
    std::vector<BoardConfig> configs(static_cast<std::size_t>(std::max(count, 0)));
    for (std::size_t i = 0; i < configs.size(); ++i)
        configs[i].index = static_cast<int>(i);
    return configs;
}

} // namespace kel::board

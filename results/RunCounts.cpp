// SPDX-License-Identifier: GPL-3.0-or-later
#include "results/RunCounts.h"

#include <variant>

namespace kel::results {

std::string RunCountsQuery(std::string_view conditions, std::string_view idText,
                           std::string_view wrap) {
    // A run with neither label nor MAC is a board of its own once it has a
    // verdict (a board that never answered); a console session that judged
    // nothing is none.
    const std::string board = "CASE WHEN r.dut <> '' THEN 'dut ' || r.dut "
                              "WHEN r.board_mac <> '' THEN 'mac ' || r.board_mac "
                              "WHEN r.verdict IN ('pass', 'fail', 'error') THEN 'run ' || " +
                              std::string(idText) + " END";
    const std::string counts =
        "(SELECT count(*) FROM chosen), (SELECT count(DISTINCT board) FROM chosen), "
        "(SELECT count(*) FROM chosen WHERE verdict = 'pass'), "
        "(SELECT count(*) FROM chosen WHERE verdict = 'fail'), "
        "(SELECT count(*) FROM firsts WHERE nth = 1), "
        "(SELECT count(*) FROM firsts WHERE nth = 1 AND verdict = 'pass')";
    return "WITH chosen AS (SELECT " + board +
           " AS board, r.verdict, r.started_at, r.id FROM runs r WHERE " + std::string(conditions) +
           "), firsts AS (SELECT verdict, row_number() OVER (PARTITION BY board "
           "ORDER BY started_at, id) AS nth FROM chosen "
           "WHERE verdict IN ('pass', 'fail', 'error')) SELECT " +
           (wrap.empty() ? counts : std::string(wrap) + "(" + counts + ")");
}

RunCounts RunCountsOf(const Row& row) {
    const auto at = [&](std::size_t i) {
        const auto* value = std::get_if<std::int64_t>(&row.at(i));
        return value ? *value : 0;
    };
    return {at(0), at(1), at(2), at(3), at(4), at(5)};
}

} // namespace kel::results

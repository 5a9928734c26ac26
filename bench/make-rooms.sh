#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Writes a building table of N rows (default 1000000) to standard output, for measuring
# the batch: every class, hazard, K and extinguisher, answers by number and by text.
set -euo pipefail
awk -v n="${1:-1000000}" 'BEGIN {
    split("A B C", classes, " ")
    split("否 是", underground, " ")
    print "名称,火灾类别,危险等级,修正系数,地下建筑,灭火器,建筑面积"
    for (i = 0; i < n; i++) {
        hazard = i % 3 + 1
        if (i % 7 == 0) hazard = (i % 3 == 0) ? "\"中危险级,15m2/A\"" : "\"中危险级,7.5m2/B\""
        extinguisher = (i % 3 == 0) ? i % 7 + 1 : i % 8 + 1
        printf "房间%d,%s,%s,%d,%s,%d,%d.5\n", i, classes[i % 3 + 1], hazard, i % 3 + 1,
               underground[i % 2 + 1], extinguisher, i % 3000 + 10
    }
}'

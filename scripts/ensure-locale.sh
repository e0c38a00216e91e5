#!/usr/bin/env bash
# Some tests run git in a translated locale; generate it once if the machine lacks it.
set -euo pipefail
if locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    exit 0
fi
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
"${sudo_cmd[@]}" sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
"${sudo_cmd[@]}" locale-gen >/dev/null

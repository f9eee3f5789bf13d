#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes docs/screenshot.png: the real program under Xvfb, with a few sample notes
# and grocery items in a throw-away home folder.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
install_packages "${BUILD_PACKAGES[@]}" xvfb xauth xdotool imagemagick

build_target ladlewise

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
meals="$home/Documents/ladlewise/data/saved_meals"
mkdir -p "$meals"
note_for() { LC_ALL=C date -d "$1" '+%a %b %-d %Y'; }
printf 'Breakfast: porridge with apple and cinnamon\nLunch: lentil soup, rye bread\nDinner: roast vegetables, chickpeas and tahini\n\nBake bread for tomorrow.' \
    > "$meals/$(note_for today).txt"
printf 'Dinner: pasta with tomato sauce' > "$meals/$(note_for tomorrow).txt"
for day in '2 days ago' '3 days' '5 days' '6 days' '10 days'; do
    printf 'Dinner: soup and bread' > "$meals/$(note_for "$day").txt"
done
printf 'x eggs\nx milk\nrye flour\nlentils\ntomatoes\nchickpeas\ntahini\nlemons\nbasil' \
    > "$home/Documents/ladlewise/data/list.txt"

mkdir -p docs
HOME="$home" xvfb-run --auto-servernum --server-args='-screen 0 1400x800x24' bash -c '
    build/src/ladlewise &
    window=$(xdotool search --sync --name "^Ladlewise$" | head -n 1)
    sleep 1
    import -window "$window" docs/screenshot.png
    # The list'"'"'s context menu, over the list and the end of the note.
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool mousemove $((X + 1100)) $((Y + 180)) click 3
    sleep 1
    import -window root -crop 600x330+$((X + 800))+$((Y + 40)) +repage docs/context-menu.png
    kill $!
'
echo "wrote docs/screenshot.png and docs/context-menu.png"

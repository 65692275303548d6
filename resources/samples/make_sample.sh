#!/usr/bin/env bash
# Builds the sample calendar resources/samples/club.cal from club-events.txt,
# only through almanix-cli, in a scratch root and working directory that are
# removed afterwards.
#
#   resources/samples/make_sample.sh [ALMANIX_CLI]   (default build/bin/almanix-cli)
#   ALMANIX_SAMPLE_OUT=FILE.cal makes the file elsewhere.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
cli=${1:-$top/build/bin/almanix-cli}
if [ ! -x "$cli" ]; then
  echo "make_sample.sh: no almanix-cli at $cli; build it or give its path" >&2
  exit 1
fi
cli=$(cd "$(dirname "$cli")" && pwd)/$(basename "$cli")
out=${ALMANIX_SAMPLE_OUT:-$here/club.cal}
list=$here/club-events.txt

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
work=$scratch/work
# The archive's entry times are local times; UTC gives the same on every machine.
export TZ=UTC LANG=C.UTF-8

run() { "$cli" --root "$root" --workdir "$work" --year 2025 "$@"; }

trim() {
  local s=$1
  s=${s#"${s%%[![:space:]]*}"}
  s=${s%"${s##*[![:space:]]}"}
  printf '%s' "$s"
}

fail() {
  echo "make_sample.sh: $list line $number: $*" >&2
  exit 1
}

# "School calendar" names category 1 "Announcements" and 4 "Sports"; the
# names go into the year's category table when the year is first made.
run init --preset "School calendar" >/dev/null

add_event() {
  local category=$1 dates=$2 time=$3 repeat=$4 summary=$5 description=$6 location=$7 url=$8
  local args=(event add --summary "$summary")
  local shown_in=${category#*+}
  category=${category%%+*}
  args+=(--category "$category")
  [ "$shown_in" != "$category" ] && args+=(--categories "${shown_in//+/,}")

  local first=${dates%%..*} last=${dates#*..}
  case "$time" in
    "all day")
      args+=(--allday --start "$first")
      [ "$last" != "$first" ] && args+=(--end "$last") ;;
    [0-2][0-9]:[0-5][0-9]-[0-2][0-9]:[0-5][0-9])
      args+=(--start "$first ${time%-*}" --end "$last ${time#*-}") ;;
    [0-2][0-9]:[0-5][0-9])
      args+=(--start "$first $time")
      [ "$last" != "$first" ] && args+=(--end "$last $time") ;;
    *) fail "TIME is \"all day\", HH:MM or HH:MM-HH:MM, not \"$time\"" ;;
  esac

  if [ -n "$repeat" ] && [ "$repeat" != "-" ]; then
    local words word key
    read -r -a words <<<"$repeat"
    args+=(--repeat "${words[0]}")
    for word in "${words[@]:1}"; do
      key=${word%%=*}
      case "$key" in
        every|weekdays|monthdays|months|pattern|until|skip) ;;
        *) fail "unknown repeat word \"$word\"" ;;
      esac
      [ "$key" = "$word" ] && fail "a repeat word is key=value, not \"$word\""
      args+=("--$key" "${word#*=}")
    done
  fi
  [ -n "$description" ] && args+=(--description "$description")
  [ -n "$location" ] && args+=(--location "$location")
  [ -n "$url" ] && args+=(--url "$url")
  run "${args[@]}" >/dev/null || fail "event add failed"
}

events=0 notes=0 holidays=0 number=0
while IFS= read -r line || [ -n "$line" ]; do
  number=$((number + 1))
  line=$(trim "$line")
  [ -z "$line" ] || [ "${line:0:1}" = "#" ] && continue
  IFS='|' read -r -a raw <<<"$line"
  fields=()
  for f in "${raw[@]}"; do fields+=("$(trim "$f")"); done
  while [ "${#fields[@]}" -lt 9 ]; do fields+=(""); done
  case "${fields[0]}" in
    event)
      add_event "${fields[@]:1:8}"
      events=$((events + 1)) ;;
    note)
      run note set --category "${fields[1]}" --date "${fields[2]}" "${fields[3]}" >/dev/null ||
        fail "note set failed"
      notes=$((notes + 1)) ;;
    holiday)
      run holiday set --date "${fields[1]}" "${fields[2]}" >/dev/null || fail "holiday set failed"
      holidays=$((holidays + 1)) ;;
    *) fail "an entry starts with event, note or holiday, not \"${fields[0]}\"" ;;
  esac
done <"$list"

# Day folders: Attachments/<category name>/<year>-<month>-<day as two digits>/,
# the month without a leading zero. picture.gif (or .jpg) there is the
# picture of the day; any other file is an attachment of the day.
picture_day=$work/Attachments/Announcements/2025-4-12
agenda_day=$work/Attachments/Announcements/2025-3-20
mkdir -p "$picture_day" "$agenda_day"
cp "$here/riverbank.gif" "$picture_day/picture.gif"
cp "$here/agm-agenda.txt" "$agenda_day/agm-agenda.txt"

# The publish folder is a fixed place rather than this run's scratch build
# folder; point it elsewhere with: favorite set Club Publish.DirName=DIR
run favorite create Club --categories 1,4 \
  --set Publish.Destination=File \
  --set Publish.DirName=/tmp/riverside-club/ \
  --set Publish.StartYear=2025 --set Publish.EndYear=2025 \
  --set Publish.StartMonth=0 --set Publish.EndMonth=11 \
  --set Publish.LinkBack=https://www.example.org/riverside/ \
  --set "Page.Title=Riverside Community Club 2025" \
  --set Contents.Holiday=US \
  --set Formatting.PopUp=1 --set Formatting.PopUpDesc=1 \
  --set Formatting.EventLocation=1 \
  --set Formatting.EventEmail=events@example.org \
  --set "RSS.Title=Riverside Community Club" \
  --set "RSS.Description=What is on at the Riverside Community Club" >/dev/null

run save "$out" >/dev/null
echo "$out: $events events, $notes notes, $holidays holidays, a picture, an attachment, favorite Club"

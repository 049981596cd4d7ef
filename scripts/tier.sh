# Sourced by ./dev and by the emulated machine's job: one ctest tier, its JUnit results, and the
# one second run there is.
#
# Wine, loaded, now and then loses a process while it starts (CreateProcess fails with
# ERROR_INTERNAL_ERROR, 1359); the test support then prints a line "wine-start-lost: ...". A
# failed test whose output has such a line runs once more; no other failure does.

# tier_run PRESET RESULTS_DIR NAME [SELECTION]: runs the test preset with its JUnit results in
# RESULTS_DIR/NAME.xml (its log in NAME.log), then the failed tests that Wine lost a start in, once
# more, into NAME-2.xml. SELECTION, when given, is a file of test names, one a line: only those
# run. Returns ctest's status of the first run.
tier_run() {
  local preset=$1 dir=$2 name=$3 selection=${4:-} rc names only=()
  if [ -n "$selection" ]; then only=(-R "$(tier_names_regex <"$selection")"); fi
  mkdir -p "$dir"
  rm -f "$dir/$name.xml" "$dir/$name-2.xml" "$dir/$name-2.log"
  ctest --preset "$preset" --output-junit "$dir/$name.xml" "${only[@]}" 2>&1 | tee "$dir/$name.log"
  rc=${PIPESTATUS[0]}
  [ -f "$dir/$name.xml" ] || return "$rc"
  names=$(tier_records "$dir/$name.xml" | awk -F'\t' '$1 == "lost" { print $2 }')
  if [ -n "$names" ]; then
    echo "== second run (Wine lost a process start): $(printf '%s\n' "$names" | paste -sd' ')"
    ctest --preset "$preset" --output-junit "$dir/$name-2.xml" -R "$(printf '%s\n' "$names" | tier_names_regex)" 2>&1 |
      tee "$dir/$name-2.log"
  fi
  return "$rc"
}

# The test names on standard input, one a line, as one ctest regex that matches exactly them.
tier_names_regex() {
  local regex
  regex=$(sed 's/[][\\.^$*+?(){}|]/\\&/g' | paste -sd'|')
  printf '^(%s)$' "$regex"
}

# tier_records FILE: one line per test of a ctest JUnit file, tab-separated:
#   pass NAME | fail NAME | lost NAME LINE (failed; LINE the first wine-start-lost: line)
#   skip NAME REASON (the test said it cannot run here, and why)
tier_records() {
  awk '
    function unescape(s) {
      gsub(/&lt;/, "<", s); gsub(/&gt;/, ">", s); gsub(/&quot;/, "\"", s); gsub(/&apos;/, "\047", s)
      gsub(/&#10;/, " ", s); gsub(/&#13;/, "", s); gsub(/&amp;/, "\\&", s)
      return s
    }
    function attr(line, key,   v) {
      if (!match(line, " " key "=\"[^\"]*\"")) return ""
      v = substr(line, RSTART + length(key) + 3, RLENGTH - length(key) - 4)
      return unescape(v)
    }
    function flush() {
      if (name == "") return
      if (status == "run") print "pass\t" name
      else if (status == "notrun" && skipmsg ~ /^SKIP_/) print "skip\t" name "\t" (reason != "" ? reason : skipmsg)
      else if (lost != "") print "lost\t" name "\t" lost
      else print "fail\t" name
      name = ""
    }
    /<testcase / { flush(); name = attr($0, "name"); status = attr($0, "status"); skipmsg = reason = lost = ""; inout = 0; prev = ""; next }
    /<skipped / { skipmsg = attr($0, "message") }
    {
      line = $0
      if (sub(/.*<system-out>/, "", line)) inout = 1
      if (!inout) next
      if (sub(/<\/system-out>.*/, "", line)) inout = 0
      sub(/\r$/, "", line); line = unescape(line)
      if (lost == "" && line ~ /^wine-start-lost:/) lost = line
      if (reason == "" && prev ~ /: Skipped$/ && line != "") reason = line
      prev = line
    }
    /<\/testcase>/ { flush() }
    END { flush() }
  ' "$1"
}

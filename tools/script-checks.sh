# Shared by the shell tests: a count of checks passed and failed, the check
# and report helpers, and Wine's name for a Unix path.

passed=0
failures=0

# check NAME CONDITION...: runs the condition; counts and prints the outcome.
check() {
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok   $name"
  else failures=$((failures + 1)); echo "FAIL $name"; fi
}

# report DIR: on failure, the programs' saved outputs (DIR/*.out); then the
# counts. Its status is the test's.
report() {
  local f
  if ((failures)); then
    for f in "$1"/*.out; do [[ -s $f ]] && { echo "--- $(basename "$f")"; cat "$f"; }; done
  fi
  echo "$passed passed, $failures failed"
  ((failures == 0))
}

# Wine's drive Z: is the root of the Unix file system.
winpath() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }

#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz": clang, ASan, UBSan) and runs each one briefly over
# its seed corpus. Exits non-zero when a build fails or a target finds a crash, leak or hang.
#   FUZZ_SECONDS  run time per target (default 15)
#   KORVO_WERROR  ON to treat warnings as errors (default OFF)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-15}
build=build/fuzz
targets=(fuzz_http_response_headers fuzz_http_stream_readers fuzz_http_url fuzz_http_cookies
         fuzz_http_merge_header fuzz_http_get_flow)

cmake --preset fuzz -B "$build" -DKORVO_WERROR="${KORVO_WERROR:-OFF}" >/dev/null
cmake --build "$build" -j 2 --target "${targets[@]}"

failed=()
for target in "${targets[@]}"; do
  corpus=fuzz/http/corpus/$target
  # New inputs go to a scratch folder so the checked-in seeds stay small.
  scratch=$(mktemp -d)
  echo "=== $target (${seconds}s)"
  if ! "$build/fuzz/http/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$build/$target-" "$scratch" "$corpus" \
       >"$build/$target.log" 2>&1; then
    tail -n 40 "$build/$target.log"
    failed+=("$target")
  else
    grep -E '^stat::number_of_executed_units' "$build/$target.log" || true
  fi
  rm -rf "$scratch"
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "Fuzz findings in: ${failed[*]}"
  exit 1
fi
echo "All fuzz targets ran clean."

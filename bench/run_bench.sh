#!/usr/bin/env bash
# Times Pelvano on a large study: end to end (wall time without the 1 s pause after the
# banner, and peak memory), stage by stage in-process, and over growing numbers of
# individuals. Studies are made once by the Structure-format writer and kept in the build
# folder.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$build" && pwd)
pelvano=$build/pelvano
strwrite=$build/tools/strwrite
data=$build/bench-data
mkdir -p "$data"

make_study() {  # name ind kmax runs
  local dir=$data/$1
  if [ ! -f "$dir/.complete" ]; then
    rm -rf "$dir"
    "$strwrite" study --dir "$dir/runs" --kmin 1 --kmax "$3" --runs "$4" --ind "$2" \
      --pops 4 --loci 2000 --alleles 4 --seed 3 > /dev/null
    printf 'runs\nK*\n1\n%s\n%s\n%s\n' "$3" "$2" "$4" > "$dir/bench.par"
    touch "$dir/.complete"
  fi
}

# Median of the wall times (minus the pause) and the largest peak memory of n runs.
time_runs() {  # dir n
  local dir=$1 n=$2 times=() peak=0
  for _ in $(seq "$n"); do
    local out
    out=$(cd "$dir" && /usr/bin/time -f '%e %M' "$pelvano" bench.par 2>&1 >/dev/null | tail -1)
    times+=("$(awk -v t="${out% *}" 'BEGIN { printf "%.3f", t - 1.0 }')")
    local kb=${out#* }
    [ "$kb" -gt "$peak" ] && peak=$kb
  done
  local median
  median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
  echo "$median $peak"
}

echo "== Large study: 5000 individuals, K = 1..10, 10 runs per K"
make_study large 5000 10 10
size=$(du -sm "$data/large/runs" | cut -f1)
read -r wall peak <<< "$(time_runs "$data/large" 5)"
qmib=$(awk 'BEGIN { printf "%.1f", 55 * 5000 * 10 * 4 / 1048576 }')
echo "input: ${size} MB in 100 files"
echo "end to end (median of 5, without the 1 s pause): ${wall} s"
echo "peak memory: $((peak / 1024)) MiB (membership table ${qmib} MiB; limit 1.5 x table + 64 MiB)"

echo
echo "== Stages, in-process"
PELVANO_BENCH_STUDY=$data/large/runs "$build/bench/pelvano_bench" \
  --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_counters_tabular=true 2>&1 | grep -v -E '_(mean|stddev|cv)( |$)'

echo
echo "== Scaling: K = 1..4, 5 runs per K"
prev=""
for n in 1000 2000 4000 8000; do
  make_study "scale$n" "$n" 4 5
  read -r wall peak <<< "$(time_runs "$data/scale$n" 3)"
  if [ -n "$prev" ]; then
    ratio=$(awk -v a="$wall" -v b="$prev" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
    echo "$n individuals: ${wall} s, peak $((peak / 1024)) MiB, x${ratio} for twice the individuals (x4 would be NIND^2)"
  else
    echo "$n individuals: ${wall} s, peak $((peak / 1024)) MiB"
  fi
  prev=$wall
done

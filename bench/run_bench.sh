#!/usr/bin/env bash
# Times Pelvano on large studies: end to end (wall time with --no-pause, and peak memory, of
# pelvano and of pelvano-plot), the similarity kernel on one core, stage by stage in-process,
# and over growing numbers of individuals; pelvano-plot on studies in ADMIXTURE's files. Studies
# are made once by the writer (tools/strwrite) and kept in the build folder.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$build" && pwd)
pelvano=$build/pelvano
strwrite=$build/tools/strwrite
data=$build/bench-data
mkdir -p "$data"

make_study() {  # name ind kmax runs [kmin]
  local dir=$data/$1 kmin=${5:-1}
  if [ ! -f "$dir/.complete" ]; then
    rm -rf "$dir"
    "$strwrite" study --dir "$dir/runs" --kmin "$kmin" --kmax "$3" --runs "$4" --ind "$2" \
      --pops 4 --loci 2000 --alleles 4 --seed 3 > /dev/null
    printf 'runs\nK*\n%s\n%s\n%s\n%s\n' "$kmin" "$3" "$2" "$4" > "$dir/bench.par"
    touch "$dir/.complete"
  fi
}

# Median of the wall times and the largest peak memory of n runs of pelvano (or of the
# program in $program, with the options in $options, on $operand, bench.par unless given); any
# further arguments go before the program (taskset -c 0 for one core). A run that fails ends
# the timing with status 1, its command and the last line it wrote on standard error.
time_runs() {  # dir n [command prefix...]
  local dir=$1 n=$2 times=() peak=0 run=${program:-$pelvano} operand=${operand:-bench.par}
  shift 2
  for _ in $(seq "$n"); do
    local kb start end status=0
    start=$(date +%s%N)
    (cd "$dir" && /usr/bin/time -o "$data/time.out" -f '%M' "$@" "$run" --no-pause ${options:-} \
      "$operand" > /dev/null 2> "$data/run.err") || status=$?
    end=$(date +%s%N)
    if [ "$status" -ne 0 ]; then
      echo "failed (exit $status) in $dir: ${*:+$* }$run --no-pause ${options:+$options }$operand" >&2
      echo "  $(tail -1 "$data/run.err")" >&2
      return 1
    fi
    kb=$(tail -1 "$data/time.out")
    times+=("$(awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }')")
    [ "$kb" -gt "$peak" ] && peak=$kb
  done
  local median
  median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
  echo "$median $peak"
}

# A study in ADMIXTURE's files (run01/sample.K.Q ...), K from 2, its individuals in a random
# order of groups, with their .fam and groups files, made once; prints how long the writer took.
make_qstudy() {  # name ind groups kmax runs
  local dir=$data/$1 start end
  if [ ! -f "$dir/.complete" ]; then
    rm -rf "$dir"
    start=$(date +%s%N)
    "$strwrite" qstudy --format admixture --dir "$dir/runs" --kmin 2 --kmax "$4" --runs "$5" \
      --ind "$2" --pops 5 --groups "$3" --seed 3 --fam --group-file --shuffle > /dev/null
    end=$(date +%s%N)
    awk -v ns=$((end - start)) 'BEGIN { printf "written by strwrite in %.1f s\n", ns / 1e9 }'
    touch "$dir/.complete"
  fi
}

# Times pelvano-plot on a study of make_qstudy with the options given, beside the targets; says
# so when it fails.
time_qstudy() {  # name n targets options...
  local name=$1 n=$2 targets=$3 result wall peak
  shift 3
  echo "input: $(du -sm "$data/$name/runs" | cut -f1) MB in $(find "$data/$name/runs" -name '*.Q' |
    wc -l) files"
  if result=$(program=$build/pelvano-plot operand=runs options="$*" time_runs "$data/$name" "$n"); then
    read -r wall peak <<< "$result"
    echo "pelvano-plot $* runs (median of $n, --no-pause): ${wall} s, peak memory" \
      "$((peak / 1024)) MiB ($targets)"
  else
    echo "pelvano-plot $* runs: not timed, it failed (above)"
  fi
}

echo "== Large study: 5000 individuals, K = 1..10, 10 runs per K"
make_study large 5000 10 10
size=$(du -sm "$data/large/runs" | cut -f1)
read -r wall peak <<< "$(time_runs "$data/large" 5)"
qmib=$(awk 'BEGIN { printf "%.1f", 55 * 5000 * 10 * 4 / 1048576 }')
echo "input: ${size} MB in 100 files"
echo "end to end (median of 5, --no-pause): ${wall} s"
echo "peak memory: $((peak / 1024)) MiB (membership table ${qmib} MiB; limit 1.5 x table + 64 MiB)"
read -r wall peak <<< "$(program=$build/pelvano-plot time_runs "$data/large" 5)"
echo "pelvano-plot end to end (median of 5, --no-pause): ${wall} s, peak memory $((peak / 1024)) MiB"
if grep -q '^RSVG_FOUND:INTERNAL=1' "$build/CMakeCache.txt"; then
  read -r wall peak <<< "$(program=$build/pelvano-plot options="--format svg,pdf,png" \
    time_runs "$data/large" 5)"
  echo "pelvano-plot --format svg,pdf,png (median of 5): ${wall} s, peak memory $((peak / 1024)) MiB"
  rm -f "$data"/large/runs/K*.pdf "$data"/large/runs/K*.png
fi

echo
echo "== Huge study: 10000 individuals, K = 1..10, 10 runs per K"
make_study huge 10000 10 10
qmib=$(awk 'BEGIN { printf "%.1f", 55 * 10000 * 10 * 4 / 1048576 }')
read -r wall peak <<< "$(time_runs "$data/huge" 5 taskset -c 0)"
echo "end to end on one core (median of 5, --no-pause): ${wall} s"
read -r wall peak2 <<< "$(time_runs "$data/huge" 5)"
[ "$peak2" -gt "$peak" ] && peak=$peak2
echo "end to end on all $(nproc) cores (median of 5, --no-pause): ${wall} s"
echo "peak memory: $((peak / 1024)) MiB (membership table ${qmib} MiB; limit 1.5 x table + 64 MiB)"
read -r wall peak <<< "$(program=$build/pelvano-plot time_runs "$data/huge" 5)"
echo "pelvano-plot end to end on all cores (median of 5, --no-pause): ${wall} s, peak memory $((peak / 1024)) MiB"

echo
echo "== 1000 Genomes size: 2,426 individuals in 26 groups, K = 2..9, 8 runs per K, ADMIXTURE's files"
make_qstudy g1k 2426 26 9 8
time_qstudy g1k 5 "target: under 1 s" --groups runs/groups.txt

echo
echo "== 100,000 individuals in 26 groups, K = 2..10, 10 runs per K, ADMIXTURE's files"
make_qstudy q100k 100000 26 10 10
time_qstudy q100k 3 "targets: under 20 s and 2048 MiB" --fam runs/sample.fam

bench() {  # benchmark options...
  PELVANO_BENCH_DATA=$data "$@" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_counters_tabular=true 2>&1 | grep -v -E '_(mean|stddev|cv)( |$)'
}

echo
echo "== Modes: every pair of runs of each K aligned, the runs grouped and averaged"
make_study modes200 1000 10 200 10
read -r wall peak <<< "$(program=$build/pelvano-plot time_runs "$data/modes200" 3)"
echo "200 runs of K = 10, 1000 individuals: pelvano-plot end to end (median of 3): ${wall} s"
bench "$build/bench/pelvano_bench" --benchmark_filter=BM_Modes
echo "(BM_ModesAllK is the 5000-individual study of the first section: compare it with"
echo " pelvano-plot's time there)"

echo
echo "== Similarity kernel on one core: ns per pair of individuals and replicate"
bench taskset -c 0 "$build/bench/pelvano_bench" --benchmark_filter=BM_Kernel

echo
echo "== Stages, in-process"
bench "$build/bench/pelvano_bench" --benchmark_filter='-BM_Kernel|BM_Modes' 

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

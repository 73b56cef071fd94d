# Sourced by the benchmarks: in_memory_cgroup LIMIT_MB COMMAND... runs
# COMMAND inside a new memory cgroup limited to LIMIT_MB (cgroup v2
# memory.max when /sys/fs/cgroup is the unified hierarchy, otherwise v1
# memory.limit_in_bytes), then prints one line: exit status, seconds and the
# cgroup's peak. Needs root; says why when it cannot make the cgroup.
in_memory_cgroup() {
    local limit_mb=$1 version cgroup limit_file peak_file start end status=0 peak
    shift
    if [[ -f /sys/fs/cgroup/cgroup.controllers ]]; then
        version=2 cgroup=/sys/fs/cgroup/vq-bench-$$ limit_file=memory.max peak_file=memory.peak
    elif [[ -d /sys/fs/cgroup/memory ]]; then
        version=1 cgroup=/sys/fs/cgroup/memory/vq-bench-$$ limit_file=memory.limit_in_bytes peak_file=memory.max_usage_in_bytes
    else
        echo "no memory cgroup: neither /sys/fs/cgroup/cgroup.controllers (v2) nor /sys/fs/cgroup/memory (v1) exists"
        return 0
    fi
    if ! mkdir "$cgroup" 2>/dev/null || ! echo $((limit_mb << 20)) > "$cgroup/$limit_file"; then
        echo "cannot make a memory cgroup at $cgroup (cgroup v$version): not root, or the hierarchy is read-only"
        rmdir "$cgroup" 2>/dev/null || true
        return 0
    fi
    start=$(date +%s.%N)
    sh -c 'echo $$ > "$0/cgroup.procs" && exec "$@"' "$cgroup" "$@" || status=$?
    end=$(date +%s.%N)
    peak=$(cat "$cgroup/$peak_file" 2>/dev/null || echo 0)
    rmdir "$cgroup" 2>/dev/null || true
    echo "in a cgroup v$version limited to $limit_mb MB ($limit_file): exit $status," \
         "$(python3 -c "print(f'{$end - $start:.2f}')") s, cgroup peak $((peak >> 20)) MB"
}

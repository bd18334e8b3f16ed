# Hosts in network namespaces of a script's own making, for scripts that
# run a real distributed build (sourced, as root). Before sourcing set
# work (a scratch folder; $work/src is the folder every host shares), ns (a
# prefix for the namespaces' names), hosts (the host names) and subnet
# (three numbers: host i gets $subnet.i+1 on one bridge).
pids=()

# Runs a command on a host: its namespace, host name, /etc/hosts, settings
# folder and display, in the shared source folder.
on() {
  local host=$1
  shift
  ${run:-} ip netns exec "$ns$host" unshare -u -m sh -c \
    'hostname "$0" && mount --bind "$1" /etc/hosts && cd "$2" && shift 2 && exec "$@"' \
    "$host" "$work/hosts" "$work/src" \
    env XDG_CONFIG_HOME="$work/$host" DISPLAY="${display:-}" LC_ALL=ja_JP.UTF-8 "$@"
}
# Starts a command on a host in the background; its own process id is kept
# (the subshell becomes the command), so that hosts_down ends it.
start() {
  (run=exec on "$@") </dev/null >>"$work/log" 2>&1 &
  pids+=($!)
}

# Makes the namespaces: one per host, joined by a bridge in one more.
hosts_up() {
  mkdir -p "$work/src"
  ip netns add "${ns}switch"
  ip -n "${ns}switch" link add br0 type bridge
  ip -n "${ns}switch" link set br0 up
  printf '127.0.0.1 localhost\n' >"$work/hosts"
  local i host address
  for i in "${!hosts[@]}"; do
    host=${hosts[$i]}
    address=$subnet.$((i + 1))
    printf '%s %s\n' "$address" "$host" >>"$work/hosts"
    mkdir -p "$work/$host/bramle"
    ip netns add "$ns$host"
    ip -n "$ns$host" link set lo up
    ip -n "${ns}switch" link add "port$i" type veth peer name eth0 netns "$ns$host"
    ip -n "${ns}switch" link set "port$i" master br0 up
    ip -n "$ns$host" addr add "$address/24" dev eth0
    ip -n "$ns$host" link set eth0 up
    ip -n "$ns$host" route add 255.255.255.255/32 dev eth0 src "$address"
  done
}

# Ends what start started and removes the namespaces.
hosts_down() {
  local pid host
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  for host in "${hosts[@]}" switch; do ip netns del "$ns$host" 2>/dev/null || true; done
}

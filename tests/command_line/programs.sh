# Sourced by the command-line tests after setting bin_dir: the programs there (the window only
# in builds that have it), a scratch directory removed on exit, and an environment in which the
# programs touch nothing outside it (a machine not created yet, the window offscreen).
programs=(halix-term halix-sim)
[ -e "$bin_dir/halix-utility" ] && programs+=(halix-utility)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -m 700 "$scratch/runtime"
export HALIX_MACHINE="$scratch/machine" XDG_RUNTIME_DIR="$scratch/runtime"
export QT_QPA_PLATFORM=offscreen

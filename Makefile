# The two commands of the README. Both install whatever is missing first (as root).
# ARCH=x64 or ARCH=x86 limits test and bench to one architecture; unset, they run
# every architecture this machine can run.
ARCH ?=
export ARCH
.PHONY: run test bench build fuzz soak dist clean
run:
	scripts/run.sh
test:
	scripts/test.sh
bench:
	scripts/bench.sh
build:
	scripts/build.sh
fuzz:
	scripts/fuzz.sh
# Not part of test: a long run of the counters build that fails on steady growth.
soak:
	scripts/soak.sh
# The release in dist/: the setup, the portable zip, release notes and SHA256SUMS.
dist:
	scripts/dist.sh
clean:
	rm -rf build dist

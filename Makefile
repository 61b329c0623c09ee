# The two commands of the README. Both install whatever is missing first (as root).
# ARCH=x64 or ARCH=x86 limits test and bench to one architecture; unset, they run
# every architecture this machine can run.
ARCH ?=
export ARCH
.PHONY: run test bench build fuzz clean
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
clean:
	rm -rf build

# The two commands of the README. Both install whatever is missing first (as root).
.PHONY: run test bench clean
run:
	scripts/run.sh
test:
	scripts/test.sh
bench:
	scripts/bench.sh
clean:
	rm -rf build

# The two commands of the README. Both install what they need first.
.PHONY: deps build test demo clean

deps:
	bash scripts/deps.sh

build: deps
	cmake --preset dev
	cmake --build --preset dev

test: build
	ctest --preset dev

clean:
	rm -rf build

# kestro: the Windows host of the kestro point-of-sale app.
#
#   make run     build for Windows and run the host under Wine with a demo script
#   make test    build every configuration and run every test
#   make package build the Windows Installer package build/windows/kestro-VERSION-x64.msi;
#                with SIGN_CERT=cert.pem SIGN_KEY=key.pem it is signed (README: "Installing on a till")
#   make fuzz    run each fuzz target for FUZZ_SECONDS (default 60)
#   make bench   run the benchmarks (natively and under Wine), write build/bench/results.json,
#                build/bench/wine.json and docs/performance.md

# Only the system's own programs, which scripts/install-deps.sh provides from
# Debian's packages (scripts/check-programs keeps that true): a program found
# elsewhere on this machine's PATH cannot stand in for a missing install step.
export PATH := /usr/sbin:/usr/bin:/sbin:/bin

BUILD ?= build
JOBS ?= $(shell nproc)
comma := ,
FUZZ_SECONDS ?= 60
CTEST = ctest --output-on-failure --no-tests=error

cmake_configure = cmake -S . -B $(BUILD)/$(1) -DCMAKE_BUILD_TYPE=$(2) $(3) >/dev/null
cmake_build = cmake --build $(BUILD)/$(1) -j $(JOBS)
# The Windows configuration; the signing files are given anew with every
# make, so that a package is signed only when they are named.
windows_options = -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DKESTRO_SIGN_CERT=$(if $(SIGN_CERT),$(abspath $(SIGN_CERT))) \
  -DKESTRO_SIGN_KEY=$(if $(SIGN_KEY),$(abspath $(SIGN_KEY)))

.PHONY: deps native native-asan native-tsan windows fuzz-build test test-native \
        test-asan test-tsan test-windows test-fuzz fuzz bench run package

deps:
	@scripts/install-deps.sh

native: deps
	$(call cmake_configure,native,Debug,)
	$(call cmake_build,native)

native-asan: deps
	$(call cmake_configure,native-asan,Debug,-DKESTRO_SANITIZE=address$(comma)undefined)
	$(call cmake_build,native-asan)

native-tsan: deps
	$(call cmake_configure,native-tsan,Debug,-DKESTRO_SANITIZE=thread)
	$(call cmake_build,native-tsan)

windows: deps
	$(call cmake_configure,windows,Release,$(windows_options))
	$(call cmake_build,windows)

package: deps
	$(call cmake_configure,windows,Release,$(windows_options))
	$(call cmake_build,windows) --target msi

fuzz-build: deps
	$(call cmake_configure,fuzz,RelWithDebInfo,-DKESTRO_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang)
	$(call cmake_build,fuzz)

test-native: native
	cd $(BUILD)/native && $(CTEST) -j $(JOBS)

test-asan: native-asan
	cd $(BUILD)/native-asan && $(CTEST) -j $(JOBS)

test-tsan: native-tsan
	cd $(BUILD)/native-tsan && $(CTEST) -j $(JOBS) -L 'messaging|threads'

test-windows: windows
	cd $(BUILD)/windows && $(CURDIR)/scripts/with-display $(CTEST) -j $(JOBS); \
	  status=$$?; $(CURDIR)/scripts/wine-run --prefix $(CURDIR)/$(BUILD)/windows/wine-prefix --stop; \
	  exit $$status

test-fuzz: fuzz-build
	cd $(BUILD)/fuzz && $(CTEST)

test: test-native test-asan test-tsan test-fuzz test-windows

fuzz: fuzz-build
	cd $(BUILD)/fuzz && FUZZ_SECONDS=$(FUZZ_SECONDS) $(CURDIR)/scripts/fuzz-all

# The native benchmarks, then the Windows host under Wine against its floors
# (bench/floors), which needs the Windows build's bundle and floor programs.
bench: deps
	$(call cmake_configure,bench,Release,-DKESTRO_BENCH=ON)
	$(call cmake_build,bench) --target kestro_bench
	$(call cmake_configure,windows,Release,$(windows_options))
	$(call cmake_build,windows) --target bundle wine-printers floor-window floor-spooler
	scripts/with-display scripts/bench-report $(BUILD)/bench --windows-build $(BUILD)/windows

run: windows
	scripts/run-demo $(if $(INTERACTIVE),--interactive,)

# The programs' own parsers: the client's profile file, the upgrade tool's
# packets and the simulator's requests.

kestrel_fuzz_target(fuzz_profile_file SOURCES fuzz_profile_file.cpp LIBS kestrel_client_config)
kestrel_fuzz_target(fuzz_flash_packet SOURCES fuzz_flash_packet.cpp LIBS kestrel_flash_core)
# The request parsers and the store's handlers are internal to the simulator.
kestrel_fuzz_target(fuzz_sim_request SOURCES fuzz_sim_request.cpp LIBS kestrel_sim)
target_include_directories(fuzz_sim_request PRIVATE ${PROJECT_SOURCE_DIR}/sim/src)

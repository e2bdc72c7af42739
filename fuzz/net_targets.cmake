# Fuzz targets of the protocol library's readers of recorder and network
# answers. None of them opens a socket.
kestrel_fuzz_target(fuzz_net_command_answer SOURCES fuzz_net_command_answer.cpp
                    LIBS kestrel_net_answers)
kestrel_fuzz_target(fuzz_net_file_list SOURCES fuzz_net_file_list.cpp LIBS kestrel_net_answers)
kestrel_fuzz_target(fuzz_net_discovery SOURCES fuzz_net_discovery.cpp LIBS kestrel_net_answers)

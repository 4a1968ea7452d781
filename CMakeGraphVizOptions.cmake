# What `cmake --graphviz` draws (scripts/architecture-graph): the application's modules and what
# each depends on; no tests, benchmarks, generated helpers or outside libraries.
set(GRAPHVIZ_GRAPH_NAME "modules")
set(GRAPHVIZ_EXTERNAL_LIBS FALSE)
set(GRAPHVIZ_INTERFACE_LIBS FALSE)
set(GRAPHVIZ_OBJECT_LIBS FALSE)
set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)
set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)
set(GRAPHVIZ_IGNORE_TARGETS "_tests$" "^storm_fakes$" "_bench$" "^rating_record_writer$" "_resources" "_autogen"
    "^storm_info" "^storm_translations" "_other_files$")

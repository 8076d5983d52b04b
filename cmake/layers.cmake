# The library's layers, lowest first, and the layers each one may use: the one description of the
# layer graph, read by the build (cmake/library.cmake: one object library per layer and a link check
# of each) and by the include check (cmake/check_layers.cmake, run as the test layer_includes).
#
#   platform < core < {timelog, crypto} < config < plugins < system < startup
#
# A layer's sources are the files of its folder, lumenrt/<layer>/. timelog and crypto stand side by
# side: neither uses the other. Start-up, the top, builds the process-wide objects and connects the
# hooks through which lower layers reach higher ones.
set(LUMENRT_LAYERS platform core timelog crypto config plugins system startup)
set(LUMENRT_LAYER_BELOW_platform "")
set(LUMENRT_LAYER_BELOW_core platform)
set(LUMENRT_LAYER_BELOW_timelog platform core)
set(LUMENRT_LAYER_BELOW_crypto platform core)
set(LUMENRT_LAYER_BELOW_config platform core timelog crypto)
set(LUMENRT_LAYER_BELOW_plugins platform core timelog crypto config)
set(LUMENRT_LAYER_BELOW_system platform core timelog crypto config plugins)
set(LUMENRT_LAYER_BELOW_startup platform core timelog crypto config plugins system)

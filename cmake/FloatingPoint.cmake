# Results must be the same bit for bit on every platform, and the reading
# rounds double-precision arithmetic to float at chosen points. On 32-bit x86
# GCC and Clang default to the x87 unit, whose 80-bit registers round
# differently (and at the register allocator's whim); SSE2 arithmetic rounds
# as on x86-64. MSVC targets SSE2 on 32-bit x86 by default.
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_SYSTEM_PROCESSOR MATCHES "^([xX]86|i[3-6]86)$"
   AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_compile_options(-msse2 -mfpmath=sse)
endif()

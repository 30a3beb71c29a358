# AddressSanitizer + UndefinedBehaviorSanitizer for the whole tree (test.sh turns it on).
# GCC's "undefined" leaves out float-cast-overflow: a real converted to an
# integer type that cannot hold it must fail the tests where it happens.
if(TESSEL_SANITIZE)
  set(_tessel_san -fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all
                  -fno-omit-frame-pointer)
  add_compile_options(${_tessel_san})
  add_link_options(${_tessel_san})
endif()

# AddressSanitizer + UndefinedBehaviorSanitizer for the whole tree (test.sh turns it on).
if(TESSEL_SANITIZE)
  set(_tessel_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${_tessel_san})
  add_link_options(${_tessel_san})
endif()

# Writes the service worker with the site's version: a hash of every file it caches, so that a
# new build gets a cache of its own. cmake -DWORKER=in -DOUT=out "-DFILES=a|b|c" -P stamp_worker.cmake
string(REPLACE "|" ";" FILES "${FILES}")
set(joined "")
foreach(file IN LISTS FILES)
  file(SHA256 "${file}" hash)
  string(APPEND joined "${hash}")
endforeach()
string(SHA256 version "${joined}")
string(SUBSTRING "${version}" 0 16 SITE_VERSION)
configure_file("${WORKER}" "${OUT}" @ONLY)

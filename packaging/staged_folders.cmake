# Run by cpack on the staged files before it packs them: mkdir leaves the
# umask of the build applied to the folders it makes, so they are set to
# the usual rwxr-xr-x here.
file(CHMOD_RECURSE ${CPACK_TEMPORARY_INSTALL_DIRECTORY} DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
  WORLD_EXECUTE)

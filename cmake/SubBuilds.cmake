# sub-builds

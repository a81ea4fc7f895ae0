#!/bin/sh
# The include rules between the source folders: each layer includes only itself and the layers
# below it, and no chain of includes between the project's files comes back to where it started.
#   resources (nothing of ours: the pictures as data)
#   engine    (nothing of ours)
#   gui       engine, resources
#   editor    gui, engine, resources
#   formats   editor, gui, engine, resources
#   cli       engine
#   tools     formats, editor, gui, engine, cli, resources; never tests (what the host program and
#             the tests share lives in tools/host/support)
# An include names a path from the project's root; one that names a neighbour ("Foo.h") is taken
# as that folder's file, and one found only under tests/ as the tests' file.
set -u
root=$1
cd "$root" || exit 2
list=$(mktemp)
trap 'rm -f "$list"' EXIT
find engine gui editor formats cli tools resources -name '*.cpp' -o -name '*.h' | sort |
  while read -r file; do
    sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file" |
      while read -r path; do
        if [ ! -e "$path" ] && [ -e "$(dirname "$file")/$path" ]; then path="$(dirname "$file")/$path"
        elif [ ! -e "$path" ] && [ -e "tests/$path" ]; then path="tests/$path"; fi
        echo "$file $path"
      done
  done >"$list"

awk '
  function layer(path) { sub(/\/.*/, "", path); return path }
  BEGIN {
    allowed["engine"] = " engine ";
    allowed["gui"] = " gui engine resources ";
    allowed["editor"] = " editor gui engine resources ";
    allowed["formats"] = " formats editor gui engine resources ";
    allowed["cli"] = " cli engine ";
    allowed["tools"] = " tools formats editor gui engine cli resources ";
    allowed["resources"] = " resources ";
    status = 0
  }
  {
    from = layer($1); to = layer($2)
    if ($2 !~ /\//) next                                     # a system or generated header
    if (!(to in allowed) && to != "tests") next              # build-generated folders
    if (index(allowed[from], " " to " ") == 0) {
      print $1 " includes " $2 " (" from " may include only:" allowed[from] ")"; status = 1
    }
    edges[$1] = edges[$1] " " $2
  }
  # Depth-first search over the include graph; a file met again while still open closes a cycle.
  function visit(file,    n, targets, i) {
    state[file] = 1
    n = split(edges[file], targets, " ")
    for (i = 1; i <= n; i++) {
      if (state[targets[i]] == 1) { print "include cycle through " file " and " targets[i]; status = 1 }
      else if (state[targets[i]] == 0) visit(targets[i])
    }
    state[file] = 2
  }
  END {
    for (file in edges) if (state[file] == 0) visit(file)
    exit status
  }' "$list"

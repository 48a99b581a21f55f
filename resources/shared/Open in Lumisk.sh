#!/bin/sh
# Hands the folder of the pictures an image-capture tool has just downloaded to
# Lumisk. Lumisk installs this script in its "Image Capture Scripts" folder; point
# a capture tool that can run a program after a download at it.
[ $# -gt 0 ] || exit 0
if [ -d "$1" ]; then
    folder=$1
else
    folder=$(dirname -- "$1")
fi
exec lumisk "$folder"

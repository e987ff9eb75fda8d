// Reads a VMD motion with the npm package mmd-parser, the peer reader the benchmark compares against,
// and prints its bone and morph key counts.
'use strict';
const fs = require('fs');
const { Parser } = require('mmd-parser');

const bytes = fs.readFileSync(process.argv[2]);
const buffer = bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength);
const motion = new Parser().parseVmd(buffer, false);
console.log(motion.metadata.motionCount, motion.metadata.morphCount);

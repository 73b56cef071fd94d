// Runs the Khronos glTF validator on each file given; prints each report's
// counts and any errors, and exits 1 when a file has an error (or cannot be
// read), 0 otherwise. External buffers are loaded from beside the file.
'use strict';
const fs = require('fs');
const path = require('path');
const validator = require('gltf-validator');

async function validate(file) {
  const data = new Uint8Array(fs.readFileSync(file));
  const report = await validator.validateBytes(data, {
    uri: path.basename(file),
    maxIssues: 100,
    externalResourceFunction: (uri) => new Promise((resolve, reject) => {
      fs.readFile(path.resolve(path.dirname(file), decodeURIComponent(uri)),
                  (err, bytes) => (err ? reject(err.toString()) : resolve(new Uint8Array(bytes))));
    }),
  });
  const issues = report.issues;
  console.log(`${file}: ${issues.numErrors} errors, ${issues.numWarnings} warnings, ` +
              `${issues.numInfos} infos, ${issues.numHints} hints`);
  for (const m of issues.messages) {
    if (m.severity <= 1) console.log(`  ${m.severity === 0 ? 'error' : 'warning'} ${m.code} at ${m.pointer || '-'}: ${m.message}`);
  }
  return issues.numErrors === 0;
}

(async () => {
  const files = process.argv.slice(2);
  if (files.length === 0) {
    console.error('usage: node validate-gltf.js FILE.gltf|FILE.glb...');
    process.exit(2);
  }
  let ok = true;
  for (const file of files) {
    try {
      if (!(await validate(file))) ok = false;
    } catch (e) {
      console.log(`${file}: cannot validate: ${e}`);
      ok = false;
    }
  }
  process.exit(ok ? 0 : 1);
})();

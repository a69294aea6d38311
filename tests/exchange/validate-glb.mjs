// Validates GLB files with the Khronos glTF validator: node validate-glb.mjs VALIDATOR_DIR FILE...
// Prints each file's error, warning and info counts and every error; exits 1 if any file has errors.
import { createRequire } from 'node:module';
import { readFileSync } from 'node:fs';
import { resolve } from 'node:path';

const [validatorDir, ...files] = process.argv.slice(2);
const validator = createRequire(resolve(validatorDir) + '/')('gltf-validator');
let failed = false;
for (const file of files) {
  const report = await validator.validateBytes(new Uint8Array(readFileSync(file)));
  const issues = report.issues;
  console.log(`${file}: ${issues.numErrors} errors, ${issues.numWarnings} warnings, ${issues.numInfos} infos`);
  for (const message of issues.messages)
    if (message.severity === 0 || process.env.VERBOSE) console.log(`  ${message.code} ${message.pointer || ''}: ${message.message}`);
  if (issues.numErrors > 0) failed = true;
}
process.exit(failed ? 1 : 0);

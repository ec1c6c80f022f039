// SPDX-License-Identifier: MIT
// The page's TypeScript, linted with the type checker's knowledge; ./.ci/run fails on any finding.
import js from '@eslint/js';
import tseslint from 'typescript-eslint';

export default tseslint.config(
  { ignores: ['build*/**', 'node_modules/**'] },
  {
    files: ['src/web/ts/**/*.ts'],
    extends: [js.configs.recommended, ...tseslint.configs.recommendedTypeChecked],
    languageOptions: { parserOptions: { project: 'src/web/tsconfig.json', tsconfigRootDir: import.meta.dirname } },
  },
);
